// One instance of the WebAssembly core per worker. This is the only file that knows the core
// module's own interface (src/web/README.md); the page speaks to it in the small message
// language below (core-client.js), so every rule (accepted extensions, folder names, output
// names, shrinking, the editor) is the core's answer, never the page's guess.
import createCore from '../core/pictorel-core.js';

// The warm-up picture's size: enough for every loop of the editor's load to be optimised (a
// picture twice as wide made the first photo no faster), small enough to take about a tenth
// of a second once, when the page opens.
const WARM_UP_WIDTH = 1500;
const WARM_UP_HEIGHT = 1000;

let core = null;
let coreReady = null;
let session = null;

const handlers = {
  async setup() {
    core = await coreReady;
    return {
      extensions: [...core.acceptedExtensions()].map((e) => e.replace(/^\./, '')),
      texts: { ...core.texts() },
      // Two editor sessions take turns: the next picture is decoded in the other worker while
      // the user edits, and the carried state is handed over (editorAdopt).
      twoSessions: true,
    };
  },

  folderNameEntered({ name }) {
    return core.runButtonsShown(name);
  },

  checkFolderName({ name }) {
    const problem = core.folderNameProblem(name);
    // The folder is made under the chosen base folder with the name as typed.
    return { problem, name: problem ? '' : name };
  },

  folderFailedMessage({ folder }) {
    return core.folderFailedMessage(folder);
  },

  // The heading of the results: the desktop's end-of-run text without its open-folder
  // question, which a web page cannot act on.
  // An automatic run with a file-size cap first tells how many files it lowered.
  finalText({ stopped, failed, lowered = 0, overCap = 0 }) {
    return core.capRemarks(lowered, overCap) + core.runEndText(stopped, failed);
  },

  unreadableFileMessage({ path }) {
    return core.unreadableFileMessage(path);
  },

  candidateName({ sourceName, index, besideSource }) {
    return core.candidateName(sourceName, index, besideSource);
  },

  sortNames({ names }) {
    return [...core.sortNames(names)];
  },

  // Shrinks one picture; the JPEG's bytes go back without a copy. With a size (an object the
  // core gave), it is met with its file-size cap, and `check` adds the facts the check reads.
  // The picture comes as its File and is read here: the page's own thread then never copies
  // the photos, and each worker reads its own while the others compute. A file the browser
  // cannot read answers `{ unreadable: cause }`; the page names the file in its message.
  shrink({ file, name, size, check }) {
    let bytes;
    try {
      bytes = readFile(file);
    } catch (error) {
      return { unreadable: error.message || String(error) };
    }
    const picture = new Uint8Array(bytes);
    const outcome = size === undefined ? core.shrink(picture, name) : core.shrink(picture, name, size, !!check);
    if (!outcome.ok) throw new PictureProblem(outcome.message, outcome.cause);
    const jpeg = copyOut(outcome.jpeg);
    const answer = { jpeg: jpeg.buffer, width: outcome.width, height: outcome.height };
    if (size !== undefined) {
      Object.assign(answer, { quality: outcome.quality, lowerings: [...outcome.lowerings], overCap: outcome.overCap });
      if (outcome.facts) answer.facts = outcome.facts;
    }
    return transferable(answer, [jpeg.buffer]);
  },

  // The output sizes kept in the page's storage as the desktop's settings text.
  outputSizes({ stored }) {
    const read = core.readOutputSizes(stored || '');
    return { standard: core.defaultOutputSize(), sizes: [...read.sizes], chosen: read.chosen };
  },

  // The sizes dialog's add, change and remove: { problem, sizes }.
  editOutputSizes({ sizes, action, index, size }) {
    return core.editOutputSizes(sizes, action, index, size);
  },

  storeOutputSizes({ stored, sizes, chosen }) {
    const outcome = core.writeOutputSizes(stored || '', sizes, chosen || '');
    if (!outcome.ok) throw new Error(outcome.message);
    return { stored: outcome.text, chosen: outcome.chosen };
  },

  chooseOutputSize({ stored, name }) {
    return core.chooseOutputSize(stored || '', name);
  },

  // The check before publishing over the photos the run saved, and check.csv's text.
  checkRun({ photos, size }) {
    return core.checkRun(photos, size ?? null);
  },

  checkCsvName({ index }) {
    return core.checkCsvName(index);
  },

  checkCsvSavedText({ path }) {
    return core.checkCsvSavedText(path);
  },

  // Runs the editor's load once over a picture the browser draws, in a session of its own, and
  // throws the session away. The browser compiles the core's code quickly at first and
  // optimises a function only once it has run a while; the load's long loops (the square, its
  // 400 x 400 view) each run once per picture, so the first photo opened would run them all
  // unoptimised (a 24 MP photo took about half as long again). The workers share the compiled
  // module, so one warm-up serves them all. Nothing of it is kept: `session` and its carried
  // state are untouched.
  async warmUp() {
    if (typeof OffscreenCanvas !== 'function') return false;
    const canvas = new OffscreenCanvas(WARM_UP_WIDTH, WARM_UP_HEIGHT);
    const context = canvas.getContext('2d');
    const gradient = context.createLinearGradient(0, 0, WARM_UP_WIDTH, WARM_UP_HEIGHT);
    gradient.addColorStop(0, '#2a5d8f');
    gradient.addColorStop(1, '#e8c07a');
    context.fillStyle = gradient;
    context.fillRect(0, 0, WARM_UP_WIDTH, WARM_UP_HEIGHT);
    const bytes = new Uint8Array(await (await canvas.convertToBlob({ type: 'image/jpeg', quality: 0.8 })).arrayBuffer());
    const scratch = new core.EditorSession();
    try {
      scratch.load(bytes, 'warm-up.jpg');
      scratch.workView();
      scratch.resultView();
    } finally {
      scratch.delete();
    }
    return true;
  },

  // The editor: one session per worker, kept for the whole run (it carries the crop frame's
  // and the marker's place from picture to picture, as the desktop's one window does).
  // The picture comes as its File (or null when the page could not get one). A file the
  // browser cannot read is given to the core as no bytes, so the core says it cannot be read;
  // the browser's reason stands beneath as the cause.
  editorLoad({ file, name }) {
    session ??= new core.EditorSession();
    let bytes = new ArrayBuffer(0);
    let readProblem = '';
    try {
      if (file) bytes = readFile(file);
    } catch (error) {
      readProblem = error.message || String(error);
    }
    session.load(new Uint8Array(bytes), name);
    const answer = editorAnswer(true, { toolTexts: session.toolTexts() });
    if (readProblem && answer.value.state.message) answer.value.state.cause = readProblem;
    return answer;
  },

  editorAct({ action, args = [] }) {
    if (!session) throw new Error('no picture is open in the editor');
    if (typeof session[action] !== 'function') throw new Error(`the editor has no command ${action}`);
    // An action answers whether something may have changed, or {changed, notice} when it
    // also has a plain message for the user (垂直補正 with too few lines).
    const outcome = session[action](...args);
    const notice = outcome?.notice;
    return editorAnswer(outcome !== false && outcome?.changed !== false, notice ? { notice } : {});
  },

  // A hover runs the core's hover rules (the marker's frame appears over the marker).
  editorHover({ tool, x, y }) {
    if (!session) return { cursor: 'default' };
    const cursor = session.cursorAt(tool, x, y);
    return { cursor, state: session.state() };
  },

  // Takes the crop frame's and marker's place from the session the user just left; the
  // answer carries the views, as a load's does.
  editorAdopt({ carried }) {
    if (!session) throw new Error('no picture is open in the editor');
    if (!session.adoptCarried(carried)) throw new Error('the editor refused the carried state');
    return editorAnswer(true, { toolTexts: session.toolTexts() });
  },

  editorCarried() {
    return session ? session.state() : null;
  },

  editorSave() {
    const outcome = session.save();
    if (!outcome.ok) throw new PictureProblem(outcome.message, outcome.cause);
    const jpeg = copyOut(outcome.jpeg);
    return transferable({ jpeg: jpeg.buffer }, [jpeg.buffer]);
  },
};

// The whole file at once; a worker may wait for it, and the synchronous reader copies it in
// one piece.
function readFile(file) {
  return new FileReaderSync().readAsArrayBuffer(file);
}

class PictureProblem extends Error {
  constructor(message, cause) {
    super(message);
    this.cause = cause;
  }
}

function editorAnswer(withPixels, extra = {}) {
  const state = session.state();
  const answer = { state, ...extra };
  const transfer = [];
  if (withPixels) {
    const shown = [
      ['work', state.workShown, () => session.workView()],
      ['result', state.resultShown, () => session.resultView()],
    ];
    for (const [key, isShown, read] of shown) {
      // A view the core hides (no picture loaded) has no pixels to send.
      if (!isShown) continue;
      const view = read();
      const rgba = copyOut(view.rgba);
      answer[key] = { width: view.width, height: view.height, rgba: rgba.buffer };
      transfer.push(rgba.buffer);
    }
  }
  return transferable(answer, transfer);
}

// Views into the core's memory die with its next allocation: copy them out at once.
function copyOut(view) {
  return new Uint8Array(view);
}

const TRANSFER = Symbol('transfer');
function transferable(value, list) {
  return { [TRANSFER]: list, value };
}

// The core from the module the page compiled once (core-client.js), or, without one, loaded
// and compiled here.
function startCore(module) {
  if (!module) return createCore();
  return new Promise((resolve, reject) => {
    const instantiateWasm = (imports, receive) => {
      WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module), reject);
      return {};
    };
    createCore({ instantiateWasm }).then(resolve, reject);
  });
}

// Requests that arrive while the module is still compiling wait for it.
self.onmessage = async ({ data: { id, op, args } }) => {
  if (op === 'start') {
    coreReady ??= startCore(args.module);
    return;
  }
  try {
    coreReady ??= startCore(null);
    core ??= await coreReady;
    const handler = handlers[op];
    if (!handler) throw new Error(`unknown core request ${op}`);
    let value = await handler(args);
    let transfer = [];
    if (value && value[TRANSFER]) {
      transfer = value[TRANSFER];
      value = value.value;
    }
    self.postMessage({ id, ok: true, value }, transfer);
  } catch (error) {
    self.postMessage({ id, ok: false, message: error.message || String(error), cause: error.cause || '' });
  }
};
