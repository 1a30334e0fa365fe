// The edited run: each picture opens in the editor; 保存 writes the 400 x 400 result, 終了
// (Esc) skips it, 残りの全ての画像処理を中止 ends the run. The saving runs behind the next
// picture's display. When the core can hand the carried state (the crop frame's and the
// marker's place) from one editor session to another, two editor workers take turns: while
// the user edits one picture, the next is read and decoded in the other, so it shows at once
// after a save. Otherwise one session serves the whole run and carries that state itself.
//
// performance marks: 'pictorel-editor-shown-N' when picture N (from 0) is on screen,
// 'pictorel-editor-ended-N' when the user ended it; the page's timing tests read them.
import { CoreWorker } from './core-client.js';
import { EditorView } from './editor-view.js';

let view = null;
let editorWorkers = [];

// The worker reads the file itself (core-worker.js editorLoad), so the decode starts without
// the photo passing through the page's thread.
async function load(worker, entry) {
  let file = null;
  let readProblem = '';
  try {
    file = await entry.getFile();
  } catch (error) {
    // The browser could not find the file: the core is given no bytes and says the file
    // cannot be read; the browser's reason stands beneath as the cause.
    readProblem = error.message || String(error);
  }
  const answer = await worker.call('editorLoad', { file, name: entry.name });
  if (readProblem && answer.state.message) answer.state.cause = readProblem;
  return answer;
}

// Starts the editor's workers ahead of the run (the core compiles while the user types the
// folder name); they live as long as the page, so a second run starts at once too.
export function prepareEditorWorkers(twoSessions) {
  const count = twoSessions ? 2 : 1;
  while (editorWorkers.length < count) editorWorkers.push(new CoreWorker());
  return editorWorkers.slice(0, count);
}

// Has the last editor worker run the editor's load once (core-worker.js warmUp), so the first
// photo runs optimised code. With two sessions that is the worker that opens the second
// picture, leaving the first free for the first picture's decode. A failure only means the
// first photo opens at the slower pace.
export function warmUpEditor(twoSessions) {
  warming = prepareEditorWorkers(twoSessions).at(-1);
  warming
    .call('warmUp')
    .catch(() => {})
    .finally(() => (warming = null));
}
let warming = null;

// Pictures were chosen before the warm-up ended: it would now share the processors with the
// first picture's decode and slow it, so its worker is ended (a fresh one is started).
function stopWarmUp() {
  if (!warming) return;
  warming.terminate();
  editorWorkers = editorWorkers.filter((worker) => worker !== warming);
  warming = null;
}

// The first picture of a selection, read and decoded in the first editor worker while the
// user names the folder: a 24 MP photo takes about a second to decode, which the edited run's
// button would otherwise wait for. The picture is the one that worker would load first anyway.
let prefetched = null;
// What the last picture shown leaves to the next one (the crop frame's and the marker's place),
// from one run to the next too: the desktop's one editor window keeps it for the program's life.
let carried = null;

export function prefetchFirstPicture(entry, twoSessions) {
  stopWarmUp();
  const [worker] = prepareEditorWorkers(twoSessions);
  prefetched = { entry, answer: load(worker, entry) };
  // A failure is told when the run takes the answer; none is left unhandled meanwhile.
  prefetched.answer.catch(() => {});
}

// The automatic run was chosen instead: a decode or warm-up still under way in an editor
// worker would take a processor from the run for nothing, so such a worker is ended; a fresh
// one takes its place when the editor is next needed (prepareEditorWorkers), not during the
// run. With one session the worker carries the crop frame's and the marker's place itself, so
// it is kept and left to finish.
export function setEditorAside(twoSessions) {
  prefetched = null;
  if (!twoSessions) return;
  for (const worker of editorWorkers) if (worker.busy) worker.terminate();
  editorWorkers = editorWorkers.filter((worker) => !worker.ended);
}

export async function runEdited({ entries, destination, twoSessions }) {
  view ??= new EditorView();
  const workers = prepareEditorWorkers(twoSessions);
  const count = workers.length;
  const outcomes = [];
  let stopped = false;
  let loading = prefetched?.entry === entries[0] ? prefetched.answer : load(workers[0], entries[0]);
  prefetched = null;
  let writing = Promise.resolve();

  for (let i = 0; i < entries.length; ++i) {
    const entry = entries[i];
    const worker = workers[i % count];
    let answer = await loading;
    // With two sessions the next picture starts loading before this one is shown.
    if (count === 2 && i + 1 < entries.length) loading = load(workers[(i + 1) % 2], entries[i + 1]);
    // A picture that failed to load takes the state too, so that it hands it on unchanged.
    if (count === 2 && carried) {
      const adopted = await worker.call('editorAdopt', { carried }).catch(() => null);
      if (adopted && answer.state.loaded) answer = adopted;
    }
    const caption = `${i + 1} / ${entries.length}　${entry.path}`;
    const ending = view.open(worker, answer, caption);
    performance.mark(`pictorel-editor-shown-${i}`);
    const how = await ending;
    performance.mark(`pictorel-editor-ended-${i}`);
    const outcome = { entry };
    outcomes.push(outcome);
    // Asked now, before the next load reaches this worker.
    const carrying = count === 2 ? worker.call('editorCarried') : null;
    if (how === 'save') {
      const saving = worker.call('editorSave');
      // The writes keep the selection order.
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
    if (how === 'stopAll') {
      stopped = i + 1 < entries.length;
      break;
    }
    if (count === 1 && i + 1 < entries.length) loading = load(worker, entries[i + 1]);
    if (carrying) carried = await carrying.catch(() => carried);
  }
  view.close();
  await writing;
  return { outcomes, stopped, saved: await destination.finish() };
}
