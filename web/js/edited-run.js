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
  let readProblem = '';
  try {
    bytes = await (await entry.getFile()).arrayBuffer();
  } catch (error) {
    // The browser could not read the file: the core is given no bytes and says the file
    // cannot be read; the browser's reason stands beneath as the cause.
    bytes = new ArrayBuffer(0);
    readProblem = error.message || String(error);
  }
  const answer = await worker.call('editorLoad', { bytes, name: entry.name }, [bytes]);
  if (readProblem && answer.state.message) answer.state.cause = readProblem;
  return answer;
}

export async function runEdited({ entries, destination }) {
  view ??= new EditorView();
  const workers = editorWorkers();
  const outcomes = [];
  let stopped = false;
  let loading = load(workers[0], entries[0]);
  let carried = null;
  // Saving runs behind the next picture's display; the writes keep the selection order.
  let writing = Promise.resolve();

  for (let i = 0; i < entries.length; ++i) {
    const entry = entries[i];
    const worker = workers[i % 2];
    let answer = await loading;
    // Start on the next picture before this one is shown: the user's editing time hides it.
    if (i + 1 < entries.length) loading = load(workers[(i + 1) % 2], entries[i + 1]);
    if (carried && !answer.state.message) answer = await worker.call('editorAct', { action: 'adoptCarried', args: [carried] });
    const caption = `${i + 1} / ${entries.length}　${entry.path}`;
    const ending = view.open(worker, answer, caption);
    performance.mark(`pictorel-editor-shown-${i}`);
    const how = await ending;
    performance.mark(`pictorel-editor-ended-${i}`);
    // Asked now, before the next load reaches this worker.
    const carrying = worker.call('editorCarried');
    const outcome = { entry };
    outcomes.push(outcome);
    if (how === 'save') {
      const saving = worker.call('editorSave');
      writing = writing.then(async () => {
        try {
          const { jpeg } = await saving;
          Object.assign(outcome, await destination.write(entry, jpeg));
        } catch (error) {
          Object.assign(outcome, { message: error.message, cause: error.coreCause || '' });
        }
      });
    } else if (answer.state.message) {
      Object.assign(outcome, { message: answer.state.message, cause: answer.state.cause });
    }
    carried = await carrying.catch(() => carried);
    if (how === 'stopAll') {
      stopped = i + 1 < entries.length;
      break;
    }
  }
  view.close();
  await writing;
  return { outcomes, stopped, saved: await destination.finish() };
}
