// The editor window of the edited run: draws what the core's editor session shows and turns
// the user's pointer, touch and key events into the session's tool events. The session lives
// in a worker (core-worker.js); every answer carries the new state and, when they changed,
// the two views' pixels.
//
// State as core-worker.js gives it:
//   { workShown, resultShown, canSave, adjustmentsEnabled, message, cause,
//     crop:   { shown, left, top, width, height, marks },
//     marker: { shown, left, top, width, height, frameShown, frame: {left, top, width, height}, frameMarks },
//     mosaic: { mode, rects: [{left, top, width, height}], selected, pending }, canUndo,
//     straightened }
// marks: { cross: [{from:{x,y}, to:{x,y}}], handles: [{left, top, right, bottom}] } relative
// to the frame's own box, as the desktop paints them.
import { showPlain } from './message-box.js';
import { viewPosition } from './view-coordinates.js';

const $ = (id) => document.getElementById(id);
const RED = '#ff0000';
// The desktop's mosaic outlines: its title colour, apart from the crop frame's red.
const YELLOW = 'rgb(245, 224, 126)';

// The desktop's keys: arrows move the crop frame (the selected mosaic rectangle in the mosaic
// mode); with Shift, right/down grow it and up/left shrink it. The core takes them by these
// names and decides what each does in which mode.
const KEY_NAMES = {
  ArrowUp: ['Up', 'ShrinkUp'],
  ArrowDown: ['Down', 'GrowDown'],
  ArrowLeft: ['Left', 'ShrinkLeft'],
  ArrowRight: ['Right', 'GrowRight'],
};

const EFFECTS = [
  ['sketch', 'スケッチ風'],
  ['grayscale', 'モノクロ'],
  ['spotlight', 'スポットライト'],
  ['colorspotlight', 'カラースポットライト'],
  ['bluredges', '周辺をぼかす'],
  ['tile', 'タイル'],
  ['emboss', 'エンボス'],
  ['oilpaint', '油絵風'],
  ['grid', '格子状'],
];

export class EditorView {
  constructor() {
    this.work = $('workView');
    this.result = $('resultView');
    this.workContext = this.work.getContext('2d');
    this.resultContext = this.result.getContext('2d');
    this.worker = null;
    this.state = null;
    this.pixels = { work: null, result: null };
    this.exit = null;
    this.queue = Promise.resolve();
    this.pendingMove = null;
    this.wirePointer(this.work, 'crop');
    this.wirePointer(this.result, 'marker');
    this.wireButtons();
    this.onKeyDown = (event) => this.keyDown(event);
    this.onKeyUp = (event) => this.keyUp(event);
  }

  // Shows a loaded session and resolves with 'save', 'skip' or 'stopAll' when the user ends
  // the editing of this picture.
  open(worker, answer, caption) {
    this.worker = worker;
    this.pixels = { work: null, result: null };
    this.apply(answer);
    $('editorCaption').textContent = caption;
    $('editorWindow').hidden = false;
    document.addEventListener('keydown', this.onKeyDown, true);
    document.addEventListener('keyup', this.onKeyUp, true);
    if (!$('saveButton').disabled) $('saveButton').focus();
    return new Promise((resolve) => (this.exit = resolve));
  }

  close() {
    $('editorWindow').hidden = true;
    document.removeEventListener('keydown', this.onKeyDown, true);
    document.removeEventListener('keyup', this.onKeyUp, true);
    this.worker = null;
  }

  end(how) {
    const exit = this.exit;
    this.exit = null;
    if (exit) this.queue.then(() => exit(how));
  }

  // Every tool event goes through one queue, so the session sees them in the user's order.
  act(action, ...args) {
    this.queue = this.queue.then(() => this.send(action, args));
    return this.queue;
  }

  async send(action, args) {
    const worker = this.worker;
    if (!worker) return;
    try {
      const answer = await worker.call('editorAct', { action, args });
      if (worker === this.worker) await this.apply(answer);
    } catch (error) {
      this.showMessage(error.message, error.coreCause);
    }
  }

  apply({ state, work, result, toolTexts, notice }) {
    this.state = state;
    if (toolTexts) showToolTexts(toolTexts);
    if (work) this.pixels.work = toImage(work);
    if (result) this.pixels.result = toImage(result);
    this.draw();
    // The core's plain message after a press (垂直補正 with too few lines), in a box as the
    // desktop shows it; the queue waits for its OK, so no later event acts behind it.
    if (notice) return showPlain(notice);
  }

  draw() {
    const s = this.state;
    this.paint(this.workContext, s.workShown ? this.pixels.work : null);
    if (s.workShown && s.crop.shown) drawFrame(this.workContext, s.crop, s.crop.marks);
    if (s.workShown) drawMosaics(this.workContext, s.mosaic);
    this.paint(this.resultContext, s.resultShown ? this.pixels.result : null);
    if (s.resultShown && s.marker.frameShown) drawFrame(this.resultContext, s.marker.frame, s.marker.frameMarks);
    this.showMessage(s.message, s.cause);
    $('saveButton').disabled = !s.canSave;
    for (const panel of ['adjustmentPanel', 'toolPanel'])
      for (const button of $(panel).querySelectorAll('button')) button.disabled = !s.adjustmentsEnabled;
    $('mosaicButton').setAttribute('aria-pressed', String(s.mosaic.mode));
    $('straightenButton').setAttribute('aria-pressed', String(s.straightened));
    const marker = $('markerButton');
    marker.textContent = s.marker.shown ? '方角を消去' : '方角を表示';
    marker.setAttribute('aria-pressed', String(s.marker.shown));
    $('markerLeftButton').hidden = !s.marker.shown;
    $('markerRightButton').hidden = !s.marker.shown;
  }

  paint(context, image) {
    context.fillStyle = '#808080';
    context.fillRect(0, 0, 400, 400);
    if (image) context.putImageData(image, 0, 0);
  }

  showMessage(message, cause) {
    const box = $('editorMessage');
    box.textContent = message ? (cause ? `${message}\n${cause}` : message) : '';
    box.hidden = !message;
  }

  // ---- Pointer: mouse, pen and touch alike. Positions become view pixels in one place
  // (view-coordinates.js); moves while a request is in flight are merged into the latest.
  wirePointer(canvas, tool) {
    let pressed = false;
    canvas.addEventListener('pointerdown', (event) => {
      if (!this.worker || event.button !== 0) return;
      event.preventDefault();
      canvas.setPointerCapture(event.pointerId);
      pressed = true;
      const { x, y } = viewPosition(canvas, event);
      this.act(`${tool}PointerDown`, x, y);
    });
    canvas.addEventListener('pointermove', (event) => {
      if (!this.worker) return;
      const { x, y } = viewPosition(canvas, event);
      if (pressed) this.moveTo(tool, x, y);
      else this.hover(canvas, tool, x, y);
    });
    const release = (event) => {
      if (!pressed) return;
      pressed = false;
      const { x, y } = viewPosition(canvas, event);
      this.moveTo(tool, x, y);
      this.act(`${tool}PointerUp`, x, y);
    };
    canvas.addEventListener('pointerup', release);
    canvas.addEventListener('pointercancel', release);
  }

  moveTo(tool, x, y) {
    const first = !this.pendingMove;
    this.pendingMove = { tool, x, y };
    if (!first) return;
    this.queue = this.queue.then(() => {
      const move = this.pendingMove;
      this.pendingMove = null;
      return this.send(`${move.tool}PointerMove`, [move.x, move.y]);
    });
  }

  async hover(canvas, tool, x, y) {
    if (this.hovering) return;
    this.hovering = true;
    try {
      const answer = await this.worker.call('editorHover', { tool, x, y });
      canvas.style.cursor = answer.cursor;
      if (answer.state) this.apply(answer);
    } catch {
      // A hover changes no picture; a failure leaves the cursor as it was.
    } finally {
      this.hovering = false;
    }
  }

  // ---- Keys ----
  keyDown(event) {
    if (!this.worker || !$('messageBox').hidden) return;
    const names = KEY_NAMES[event.key];
    if (names) {
      event.preventDefault();
      this.act('key', names[event.shiftKey ? 1 : 0]);
    } else if (event.key === 'Delete') {
      event.preventDefault();
      this.act('key', 'Delete');
    } else if (event.key === 'Escape') {
      event.preventDefault();
      this.end('skip');
    } else if (event.key === 'Enter') {
      // Enter presses the default button 保存, as in the desktop window, whose tool buttons
      // take no focus; only 終了 and the stop button act on Enter when they have the focus.
      const focused = document.activeElement?.id;
      if (focused === 'skipButton' || focused === 'stopAllButton') return;
      event.preventDefault();
      if (!event.repeat && !$('saveButton').disabled) this.end('save');
    }
  }

  keyUp(event) {
    if (this.worker && KEY_NAMES[event.key]) this.act('keysReleased');
  }

  // ---- Buttons ----
  wireButtons() {
    const on = (id, handler) => $(id).addEventListener('click', () => this.worker && handler());
    on('brighterButton', () => this.act('brighter'));
    on('darkerButton', () => this.act('darker'));
    on('turnButton', () => this.act('turn'));
    on('sharpenButton', () => this.act('sharpen'));
    // 元に戻す takes back the last edit of any kind, as the desktop's button does.
    on('resetButton', () => this.act('undo'));
    on('autoAdjustButton', () => this.act('autoAdjust'));
    on('mosaicButton', () => this.act('mosaicMode', !this.state.mosaic.mode));
    on('straightenButton', () => this.act('straighten'));
    on('markerButton', () => this.act('showMarker', !this.state.marker.shown));
    on('markerLeftButton', () => this.act('turnMarkerLeft'));
    on('markerRightButton', () => this.act('turnMarkerRight'));
    on('saveButton', () => this.end('save'));
    on('skipButton', () => this.end('skip'));
    on('stopAllButton', () => this.end('stopAll'));
    // The nine effects: the desktop window keeps their buttons hidden; the page does too
    // unless its address asks for them with ?effects.
    const effects = $('effectButtons');
    for (const [name, hint] of EFFECTS) {
      const button = Object.assign(document.createElement('button'), { type: 'button', textContent: hint, title: hint });
      button.dataset.effect = name;
      button.addEventListener('click', () => this.worker && this.act('effect', name));
      effects.append(button);
    }
    effects.hidden = !new URLSearchParams(location.search).has('effects');
  }
}

function showToolTexts({ autoAdjust, mosaic, straighten }) {
  Object.assign($('autoAdjustButton'), { textContent: autoAdjust.caption, title: autoAdjust.hint });
  Object.assign($('mosaicButton'), { textContent: mosaic.caption, title: mosaic.hint });
  Object.assign($('straightenButton'), { textContent: straighten.caption, title: straighten.hint });
}

function toImage({ width, height, rgba }) {
  return new ImageData(new Uint8ClampedArray(rgba), width, height);
}

// The mosaic rectangles as the desktop outlines them: yellow, 1 pixel; the selected one (or
// the one being drawn, dragged or keyed, in its place) 2 pixels, inside the rectangle.
function drawMosaics(context, { mode, rects, selected, pending }) {
  const chosen = mode ? selected : -1;
  const outline = (r, width) => {
    context.lineWidth = width;
    context.strokeRect(r.left + width / 2, r.top + width / 2, r.width - width, r.height - width);
  };
  context.save();
  context.strokeStyle = YELLOW;
  rects.forEach((r, i) => i !== chosen && outline(r, 1));
  if (pending) outline(pending, 2);
  else if (chosen >= 0) outline(rects[chosen], 2);
  context.restore();
}

// A frame as the desktop paints it: a 1-pixel red outline with the core's cross and handles.
function drawFrame(context, box, marks) {
  context.save();
  context.translate(box.left, box.top);
  context.strokeStyle = RED;
  context.fillStyle = RED;
  context.lineWidth = 1;
  context.strokeRect(0.5, 0.5, box.width - 1, box.height - 1);
  for (const line of marks?.cross || []) {
    context.beginPath();
    context.moveTo(line.from.x + 0.5, line.from.y + 0.5);
    context.lineTo(line.to.x + 0.5, line.to.y + 0.5);
    context.stroke();
  }
  for (const h of marks?.handles || []) context.fillRect(h.left, h.top, h.right - h.left, h.bottom - h.top);
  context.restore();
}
