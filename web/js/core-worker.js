// One instance of the WebAssembly core per worker. This is the only file that knows the core
// module's own interface; the page speaks to it in the small message language below
// (core-client.js), so every rule (accepted extensions, folder names, output names, shrinking,
// the editor) is the core's answer, never the page's guess.
import createCore from '../core/pictorel-core.js';

let core = null;
let session = null;

const handlers = {
  async setup() {
    core = await createCore();
    return { extensions: [...listOf(core.acceptedExtensions())] };
  },

  folderNameProblem({ name }) {
    return core.folderNameProblem(name);
  },

  candidateName({ sourceName, index, besideSource }) {
    return core.candidateName(sourceName, index, besideSource);
  },

  sortNames({ names }) {
    return [...listOf(core.sortNames(names))];
  },

  // Shrinks one picture; the JPEG's bytes go back without a copy.
  shrink({ bytes, name }) {
    const outcome = core.shrink(new Uint8Array(bytes), name);
    if (!outcome.ok) throw new PictureProblem(outcome.message, outcome.cause);
    const jpeg = copyOut(outcome.jpeg);
    return transferable({ jpeg: jpeg.buffer, width: outcome.width, height: outcome.height }, [jpeg.buffer]);
  },

  // The editor: one session per worker. Each call answers with the state and, when asked,
  // the views' pixels, so the page draws exactly what the core shows.
  editorLoad({ bytes, name, carried }) {
    session ??= new core.EditorSession();
    if (carried) session.carryOver(carried);
    const outcome = session.load(new Uint8Array(bytes), name);
    if (!outcome.ok) return editorAnswer({ loadMessage: outcome.message, loadCause: outcome.cause });
    return editorAnswer({}, true);
  },

  editorAct({ action, args = [] }) {
    if (!session) throw new Error('no picture is open in the editor');
    const changed = session[action](...args);
    return editorAnswer({}, changed !== false);
  },

  editorCursor({ x, y }) {
    return session ? session.cursorAt(x, y) : 'default';
  },

  editorSave() {
    const outcome = session.save();
    if (!outcome.ok) throw new PictureProblem(outcome.message, outcome.cause);
    const jpeg = copyOut(outcome.jpeg);
    return transferable({ jpeg: jpeg.buffer }, [jpeg.buffer]);
  },
};

class PictureProblem extends Error {
  constructor(message, cause) {
    super(message);
    this.cause = cause;
  }
}

function editorAnswer(extra, withPixels = false) {
  const answer = { ...extra, state: session.state() };
  const transfer = [];
  if (withPixels && !extra.loadMessage) {
    for (const [key, view] of [['work', session.workView()], ['result', session.resultView()]]) {
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

function listOf(value) {
  if (Array.isArray(value)) return value;
  const out = [];
  for (let i = 0; i < value.size(); ++i) out.push(value.get(i));
  value.delete?.();
  return out;
}

const TRANSFER = Symbol('transfer');
function transferable(value, list) {
  return { [TRANSFER]: list, value };
}

self.onmessage = async ({ data: { id, op, args } }) => {
  try {
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
