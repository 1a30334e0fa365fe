// One instance of the WebAssembly core per worker. This is the only file that knows the core
// module's own interface (src/web/README.md); the page speaks to it in the small message
// language below (core-client.js), so every rule (accepted extensions, folder names, output
// names, shrinking, the editor) is the core's answer, never the page's guess.
import createCore from '../core/pictorel-core.js';

let core = null;
let coreReady = null;
let session = null;

// The program's texts that the module does not hand out yet (NEEDS-FROM-CORE.md, item 3),
// as src/workflow/OutputFolder.h and MainScreen.cpp have them. Used only while the module
// lacks texts() / folderFailedMessage() / runEndText().
const PROGRAM_TEXTS = {
  sameFolderItem: '元画像と同じフォルダに別名で保存',
  folderExistsQuestion: '指定した名前のフォルダが既に存在します。処理を中止しますか？',
  otherNameMessage: '別の名前を付けて下さい',
  baseFolderFailedMessage: '基準フォルダの作成ができませんでした。基準フォルダを指定して下さい。',
};

const handlers = {
  async setup() {
    core = await coreReady;
    return {
      extensions: [...core.acceptedExtensions()].map((e) => e.replace(/^\./, '')),
      texts: core.texts ? { ...core.texts() } : PROGRAM_TEXTS,
      // Two editor sessions can take turns (the next picture decoded in the other worker)
      // only when the carried state can be handed from one to the other.
      twoSessions: typeof core.EditorSession.prototype.adoptCarried === 'function',
    };
  },

  // Whether the run buttons show for this text: only a text that trims to nothing gets the
  // empty-name message (NEEDS-FROM-CORE.md, item 2).
  folderNameEntered({ name }) {
    if (core.runButtonsShown) return core.runButtonsShown(name);
    return core.folderNameProblem(name) !== core.folderNameProblem('');
  },

  checkFolderName({ name }) {
    const problem = core.folderNameProblem(name);
    return { problem, name: problem ? '' : core.outputFolderName ? core.outputFolderName(name) : name };
  },

  folderFailedMessage({ folder }) {
    if (core.folderFailedMessage) return core.folderFailedMessage(folder);
    return `フォルダ「${folder}/」の作成ができませんでした。フォルダを作成できる基準フォルダを指定して下さい。`;
  },

  // The heading of the results: the desktop's end-of-run text without its open-folder
  // question, which a web page cannot act on.
  finalText({ stopped, failed }) {
    if (core.runEndText) return core.runEndText(stopped, failed);
    if (failed === 0) return stopped ? '残りの処理を全て中止しました。' : '縮小が完了しました。';
    return `${failed} 個のファイルを保存できませんでした。${stopped ? '残りの処理を全て中止しました。' : ''}`;
  },

  candidateName({ sourceName, index, besideSource }) {
    return core.candidateName(sourceName, index, besideSource);
  },

  sortNames({ names }) {
    return [...core.sortNames(names)];
  },

  // Shrinks one picture; the JPEG's bytes go back without a copy.
  shrink({ bytes, name }) {
    const outcome = core.shrink(new Uint8Array(bytes), name);
    if (!outcome.ok) throw new PictureProblem(outcome.message, outcome.cause);
    const jpeg = copyOut(outcome.jpeg);
    return transferable({ jpeg: jpeg.buffer, width: outcome.width, height: outcome.height }, [jpeg.buffer]);
  },

  // The editor: one session per worker, kept for the whole run (it carries the crop frame's
  // and the marker's place from picture to picture, as the desktop's one window does).
  editorLoad({ bytes, name }) {
    session ??= new core.EditorSession();
    session.load(new Uint8Array(bytes), name);
    return editorAnswer(true);
  },

  editorAct({ action, args = [] }) {
    if (!session) throw new Error('no picture is open in the editor');
    if (typeof session[action] !== 'function') throw new Error(`the editor has no command ${action}`);
    const changed = session[action](...args);
    return editorAnswer(changed !== false);
  },

  // A hover runs the core's hover rules (the marker's frame appears over the marker).
  editorHover({ tool, x, y }) {
    if (!session) return { cursor: 'default' };
    const cursor = session.cursorAt(tool, x, y);
    return { cursor, state: session.state() };
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

class PictureProblem extends Error {
  constructor(message, cause) {
    super(message);
    this.cause = cause;
  }
}

function editorAnswer(withPixels) {
  const state = session.state();
  const answer = { state };
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

// Requests that arrive while the module is still compiling wait for it.
self.onmessage = async ({ data: { id, op, args } }) => {
  try {
    coreReady ??= createCore();
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
