// The edited run: each picture opens in the editor; 保存 writes the 400 x 400 result, 終了
// (Esc) skips it, 残りの全ての画像処理を中止 ends the run. Two editor workers take turns: while
// the user edits one picture, the next is read and decoded in the other, so it shows at once
// after a save. What the desktop editor carries from one picture to the next (the crop
// frame's and the marker's place and size) is handed to the next session when it is shown.
//
// performance marks: 'pictorel-editor-shown-N' when picture N (from 0) is on screen,
// 'pictorel-editor-ended-N' when the user ended it; the page's timing tests read them.
import { CoreWorker } from './core-client.js';
import { EditorView } from './editor-view.js';

let view = null;
let spareWorkers = [];

function editorWorkers() {
  // The two workers live as long as the page: a second run starts without loading the core.
  if (spareWorkers.length < 2) spareWorkers = [new CoreWorker(), new CoreWorker()];
  return spareWorkers;
}

async function load(worker, entry) {
  let bytes;
  try {
    bytes = await (await entry.getFile()).arrayBuffer();
  } catch (error) {
    return { readProblem: { message: `ファイル ${entry.path} は開けません`, cause: error.message || String(error) } };
  }
  return worker.call('editorLoad', { bytes, name: entry.name }, [bytes]);
}

export async function runEdited({ entries, destination }) {
  view ??= new EditorView();
  const workers = editorWorkers();
  const outcomes = [];
  let stopped = false;
  let loading = load(workers[0], entries[0]);
  let carried = null;

  for (let i = 0; i < entries.length; ++i) {
    const entry = entries[i];
    const worker = workers[i % 2];
    let answer = await loading;
    // Start on the next picture before this one is shown: the user's editing time hides it.
    if (i + 1 < entries.length) loading = load(workers[(i + 1) % 2], entries[i + 1]);
    if (answer.readProblem) {
      answer = await worker.call('editorFailed', answer.readProblem);
    } else if (carried) {
      answer = await worker.call('editorAct', { action: 'adoptCarried', args: [carried] });
    }
    const caption = `${i + 1} / ${entries.length}　${entry.path}`;
    const ending = view.open(worker, answer, caption);
    performance.mark(`pictorel-editor-shown-${i}`);
    const how = await ending;
    performance.mark(`pictorel-editor-ended-${i}`);
    carried = await worker.call('editorCarried').catch(() => carried);

    if (how === 'save') {
      try {
        const { jpeg } = await worker.call('editorSave');
        outcomes.push({ entry, ...(await destination.write(entry, jpeg)) });
      } catch (error) {
        outcomes.push({ entry, message: error.message, cause: error.coreCause || '' });
      }
    } else if (answer.state?.message) {
      outcomes.push({ entry, message: answer.state.message, cause: answer.state.cause });
    } else {
      outcomes.push({ entry });
    }
    if (how === 'stopAll') {
      stopped = i + 1 < entries.length;
      break;
    }
  }
  view.close();
  return { outcomes, stopped, saved: await destination.finish() };
}
