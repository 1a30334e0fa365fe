// The browser module under node's test runner: its answers are the native program's.
//   PICTOREL_WEB_BUILD=build-web PICTOREL_NATIVE_CLI=build/pictorel-cli node --test tests/web/
// Each picture test skips when the corpus (../shared/testdata, or $PICTOREL_TESTDATA) is absent.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const checkout = path.resolve(here, '../..');
const webBuild = path.resolve(process.env.PICTOREL_WEB_BUILD || path.join(checkout, 'build-web'));
const nativeCli = path.resolve(process.env.PICTOREL_NATIVE_CLI || path.join(checkout, 'build/pictorel-cli'));
const corpus = path.resolve(process.env.PICTOREL_TESTDATA || path.join(checkout, '../shared/testdata'));
const photo = path.join(corpus, 'jpeg/photo_3872x2403.jpg');
const noCorpus = fs.existsSync(photo) ? false : `no picture corpus at ${corpus}`;

// The page loads the module by URL; node hands it the .wasm bytes instead.
const moduleDir = path.join(webBuild, 'site/core');
const { default: createCore } = await import(pathToFileURL(path.join(moduleDir, 'pictorel-core.js')));
const core = await createCore({ wasmBinary: fs.readFileSync(path.join(moduleDir, 'pictorel-core.wasm')) });

// Runs the native pictorel-cli in a fresh folder holding `name` (a copy of `source`); returns
// the folder.
function nativeRun(source, name, args) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'core-module-'));
  fs.copyFileSync(source, path.join(folder, name));
  execFileSync(nativeCli, args.map((a) => a.replaceAll('{dir}', folder)), { stdio: 'pipe' });
  return folder;
}

test('the run rules are the core\'s', () => {
  const extensions = core.acceptedExtensions();
  for (const e of ['.jpg', '.jpeg', '.png', '.heic', '.webp', '.psd']) assert.ok(extensions.includes(e), e);
  assert.equal(core.folderNameProblem('写真 2024'), '');
  assert.equal(core.folderNameProblem('  '), '保存するフォルダの名前を入力して下さい');
  assert.equal(core.folderNameProblem('a:b'), 'フォルダの名前に「:」は使えません');
  assert.equal(core.folderNameProblem('..'), 'フォルダの名前を「..」にはできません');
  assert.equal(core.candidateName('IMG_0001.HEIC', 0, false), 'IMG_0001.jpg');
  assert.equal(core.candidateName('IMG_0001.HEIC', 2, false), 'IMG_0001-2.jpg');
  assert.equal(core.candidateName('room.png', 0, true), 'mini_room.jpg');
  assert.equal(core.candidateName('room.png', 1, true), 'mini_room-1.jpg');
  assert.deepEqual(core.sortNames(['p10.jpg', 'p9.jpg', 'a.jpg']), ['a.jpg', 'p9.jpg', 'p10.jpg']);
});

test('shrink gives the native shrink\'s bytes', { skip: noCorpus }, () => {
  const outcome = core.shrink(new Uint8Array(fs.readFileSync(photo)), 'room.jpg');
  assert.equal(outcome.ok, true);
  assert.deepEqual([outcome.width, outcome.height], [800, 496]);
  const jpeg = new Uint8Array(outcome.jpeg);
  const folder = nativeRun(photo, 'room.jpg', ['shrink', '--jobs', '1', '{dir}/room.jpg']);
  try {
    assert.deepEqual(jpeg, new Uint8Array(fs.readFileSync(path.join(folder, 'mini_room.jpg'))));
  } finally {
    fs.rmSync(folder, { recursive: true });
  }
});

test('a file that cannot be read is told with the program\'s message, naming it', () => {
  const outcome = core.shrink(new Uint8Array([0xff, 0xd8, 0xff, 0x00, 1, 2, 3]), 'broken.jpg');
  assert.equal(outcome.ok, false);
  assert.equal(outcome.message, '画像ファイルが壊れているか、サイズが大き過ぎます。\nbroken.jpg');
  assert.notEqual(outcome.cause, '');
  const session = new core.EditorSession();
  try {
    const loaded = session.load(new Uint8Array([1, 2, 3]), 'broken.jpg');
    assert.equal(loaded.ok, false);
    assert.match(loaded.message, /broken\.jpg$/);
    const state = session.state();
    assert.equal(state.canSave, false);
    assert.equal(session.save().ok, false);
  } finally {
    session.delete();
  }
});

// The same edits as `pictorel-cli edit IN OUT.jpg --crop 100,50,300 --rotate --brighter
// --sharpen --marker 177,177,50 --turn-left --effect grayscale`, made by pointer, key and
// button events.
test('an editor session gives the native edit\'s JPEG', { skip: noCorpus }, () => {
  const session = new core.EditorSession();
  try {
    assert.deepEqual(session.load(new Uint8Array(fs.readFileSync(photo)), 'room.jpg'), { ok: true });
    const work = session.workView();
    assert.deepEqual([work.width, work.height, work.rgba.length], [400, 400, 400 * 400 * 4]);
    session.cropPointerDown(100, 50);
    session.cropPointerMove(250, 200);
    session.cropPointerUp(400, 350);
    let state = session.state();
    assert.deepEqual([state.crop.shown, state.crop.left, state.crop.top, state.crop.width], [true, 100, 50, 300]);
    assert.equal(session.cursorAt('crop', 399, 349), 'nwse-resize');
    session.turn();
    session.brighter();
    session.sharpen();
    session.showMarker(true);
    session.turnMarkerLeft();
    session.effect('grayscale');
    state = session.state();
    assert.deepEqual([state.marker.shown, state.marker.direction, state.canSave], [true, 1, true]);
    const saved = session.save();
    assert.equal(saved.ok, true);
    const jpeg = new Uint8Array(saved.jpeg);
    const folder = nativeRun(photo, 'room.jpg', ['edit', '{dir}/room.jpg', '{dir}/out.jpg', '--crop', '100,50,300',
      '--rotate', '--brighter', '--sharpen', '--marker', '177,177,50', '--turn-left', '--effect', 'grayscale']);
    try {
      assert.deepEqual(jpeg, new Uint8Array(fs.readFileSync(path.join(folder, 'out.jpg'))));
    } finally {
      fs.rmSync(folder, { recursive: true });
    }
  } finally {
    session.delete();
  }
});

// Keys move and resize the frame one pixel a press and render once when let go; a drag on
// the frame moves it.
test('keys and drags move the crop frame as the desktop editor does', { skip: noCorpus }, () => {
  const session = new core.EditorSession();
  try {
    session.load(new Uint8Array(fs.readFileSync(photo)), 'room.jpg');
    session.cropPointerDown(10, 10);
    session.cropPointerUp(110, 110);
    const before = new Uint8Array(session.resultView().rgba);
    for (const key of ['Right', 'Right', 'Down', 'Grow']) assert.equal(session.key(key), true);
    assert.equal(session.key('Tab'), false);
    let crop = session.state().crop;
    assert.deepEqual([crop.left, crop.top, crop.width, crop.height], [12, 11, 101, 101]);
    assert.deepEqual(new Uint8Array(session.resultView().rgba), before, 'rendered before the keys are let go');
    session.keysReleased();
    assert.notDeepEqual(new Uint8Array(session.resultView().rgba), before);
    session.cropPointerDown(50, 50);
    session.cropPointerMove(70, 60);
    session.cropPointerUp(70, 60);
    crop = session.state().crop;
    assert.deepEqual([crop.left, crop.top, crop.width], [32, 21, 101]);
  } finally {
    session.delete();
  }
});

// A valid picture whose pixels need more than the 1 GiB budget gets the program's message,
// from the node pictorel-cli and from the module, and the module goes on working.
test('a picture beyond the memory budget is refused, never an abort', { skip: noCorpus }, () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'core-module-'));
  try {
    const huge = path.join(folder, 'huge.png');
    execFileSync('python3', [path.join(here, 'make-huge-png.py'), huge]);
    let status = 0;
    let stderr = '';
    try {
      execFileSync('node', ['--no-experimental-fetch', path.join(webBuild, 'pictorel-cli.js'), 'shrink', '--jobs', '1', huge],
        { stdio: 'pipe' });
    } catch (failure) {
      status = failure.status;
      stderr = failure.stderr.toString();
    }
    assert.equal(status, 1);
    assert.match(stderr, /画像ファイルが壊れているか、サイズが大き過ぎます。/);
    assert.match(stderr, /memory budget/);
    assert.doesNotMatch(stderr, /Aborted|RuntimeError/);

    const bytes = new Uint8Array(fs.readFileSync(huge));
    const outcome = core.shrink(bytes, 'huge.png');
    assert.equal(outcome.ok, false);
    assert.equal(outcome.message, '画像ファイルが壊れているか、サイズが大き過ぎます。\nhuge.png');
    assert.match(outcome.cause, /memory budget/);
    const session = new core.EditorSession();
    try {
      assert.equal(session.load(bytes, 'huge.png').ok, false);
      assert.equal(session.load(new Uint8Array(fs.readFileSync(photo)), 'room.jpg').ok, true);
    } finally {
      session.delete();
    }
    assert.equal(core.shrink(new Uint8Array(fs.readFileSync(photo)), 'room.jpg').ok, true);
  } finally {
    fs.rmSync(folder, { recursive: true });
  }
});

// The page decodes the next photo in a second session; the crop frame's and the marker's place
// handed over must give the same next result as one session that showed both photos.
test('a second session that adopts the carried state edits as one session would', { skip: noCorpus }, () => {
  const second = path.join(corpus, 'jpeg/photo_nokia_4608x1976.jpg');
  const editFirst = (session) => {
    session.load(new Uint8Array(fs.readFileSync(photo)), 'one.jpg');
    session.cropPointerDown(300, 20);
    session.cropPointerMove(120, 150);
    session.cropPointerUp(120, 150);
    session.showMarker(true);
    session.cursorAt('marker', 200, 200);
    session.markerPointerDown(205, 205);
    session.markerPointerMove(300, 30);
    session.markerPointerUp(300, 30);
  };
  const editNext = (session) => {
    session.showMarker(true);
    session.cropPointerDown(0, 0); // a click without a move: the whole view, the frame at the corner
    session.cropPointerUp(0, 0);
    return new Uint8Array(session.save().jpeg);
  };
  const one = new core.EditorSession();
  const first = new core.EditorSession();
  const next = new core.EditorSession();
  try {
    editFirst(one);
    one.save();
    one.load(new Uint8Array(fs.readFileSync(second)), 'two.jpg');
    const expectedState = one.state();
    const expected = editNext(one);

    editFirst(first);
    next.load(new Uint8Array(fs.readFileSync(second)), 'two.jpg');
    const carried = first.state();
    assert.notDeepEqual(next.state().marker, expectedState.marker, 'the test must move the marker');
    assert.equal(next.adoptCarried(carried), true);
    // The marker's drag frame is hidden on a new picture and placed on the marker when it next
    // shows, so where a hidden one was left is not part of what carries over.
    const visible = (state) => {
      assert.equal(state.marker.frameShown, false);
      const { frame, frameMarks, ...marker } = state.marker;
      return { ...state, marker };
    };
    assert.deepEqual(visible(next.state()), visible(expectedState));
    assert.deepEqual(editNext(next), expected);

    assert.equal(next.adoptCarried({ crop: { left: 0, top: 0, width: 5, height: 6 }, marker: carried.marker }), false);
    assert.equal(next.adoptCarried({ crop: carried.crop }), false);
    assert.equal(next.adoptCarried({ crop: { ...carried.crop, left: 1e12 }, marker: carried.marker }), false);
  } finally {
    for (const session of [one, first, next]) session.delete();
  }
});
