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

// ---- Output sizes, the file-size cap and the check before publishing ----

const capped = { name: 'ポータル', maxSide: 800, boxWidth: 0, boxHeight: 0, quality: 80, capKb: 25 };

// The native `shrink --check` with the given size options over `files` into a fresh folder:
// { folder, files: { name: Buffer }, stdout }.
function nativeCheckedRun(files, sizeArgs) {
  const base = fs.mkdtempSync(path.join(os.tmpdir(), 'core-module-check-'));
  const stdout = execFileSync(nativeCli, ['shrink', '--jobs', '1', '--check', ...sizeArgs, '--folder', 'out', '--base', base, ...files],
    { encoding: 'utf8' });
  const folder = path.join(base, 'out');
  const out = Object.fromEntries(fs.readdirSync(folder).map((n) => [n, fs.readFileSync(path.join(folder, n))]));
  fs.rmSync(base, { recursive: true });
  return { folder, files: out, stdout };
}

test('a capped size gives shrink --max-kb\'s bytes and lowerings; the default with the check stays plain', { skip: noCorpus }, () => {
  const bytes = new Uint8Array(fs.readFileSync(photo));
  const plain = new Uint8Array(core.shrink(bytes, 'room.jpg').jpeg);
  const checked = core.shrink(bytes, 'room.jpg', core.defaultOutputSize(), true);
  assert.deepEqual(new Uint8Array(checked.jpeg), plain, 'the check changes no byte of the default');
  assert.deepEqual([checked.width, checked.height, checked.quality, checked.lowerings, checked.overCap], [800, 496, 80, [], false]);
  assert.equal(checked.facts.hashes.length, 4);

  const outcome = core.shrink(bytes, 'room.jpg', capped, false);
  assert.equal(outcome.ok, true);
  assert.equal(outcome.facts, undefined, 'facts only with the check');
  const jpeg = new Uint8Array(outcome.jpeg);
  assert.ok(jpeg.length <= 25 * 1000, `${jpeg.length} bytes`);
  assert.deepEqual(outcome.lowerings, ['画質 80 → 76']);
  const folder = nativeRun(photo, 'room.jpg', ['shrink', '--jobs', '1', '--max-kb', '25', '{dir}/room.jpg']);
  try {
    assert.deepEqual(jpeg, new Uint8Array(fs.readFileSync(path.join(folder, 'mini_room.jpg'))));
  } finally {
    fs.rmSync(folder, { recursive: true });
  }
  // A size the core would not keep is refused before the picture is read.
  const refused = core.shrink(bytes, 'room.jpg', { ...capped, quality: 0 }, false);
  assert.deepEqual([refused.ok, refused.message], [false, 'room.jpg: 画質は 1～100 にして下さい。']);
});

test('the check over the module\'s facts finds the dark photo and writes the CLI\'s check.csv', { skip: noCorpus }, async () => {
  const { makeDarkPhoto } = await import('./photo-copies.mjs');
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'core-module-dark-'));
  try {
    const dark = path.join(dir, 'dark room.bmp');
    makeDarkPhoto(nativeCli, path.join(corpus, 'png/photo_rgb8_408x306.png'), dark);
    const files = [photo, dark];
    const native = nativeCheckedRun(files, ['--max-kb', '25']);
    // The CLI prints each result's path first on its line; the module's photos carry the
    // same paths, so check.csv must come out byte for byte.
    const written = native.stdout.split('\n').filter((l) => l.startsWith(native.folder)).map((l) => l.split('\t')[0]);
    const photos = files.map((file, i) => {
      const outcome = core.shrink(new Uint8Array(fs.readFileSync(file)), path.basename(file), capped, true);
      const jpeg = new Uint8Array(outcome.jpeg);
      assert.ok(native.files[path.basename(written[i])].equals(jpeg), `${file} differs from the CLI's`);
      return { source: file, result: written[i], bytes: jpeg.length, quality: outcome.quality, facts: outcome.facts };
    });
    const check = core.checkRun(photos, capped);
    assert.equal(check.title, '公開前チェック');
    assert.equal(check.summary, '1 枚の写真に確認事項があります。');
    assert.deepEqual(check.photos.map((p) => p.findings.map((f) => f.code)), [[], ['dark', 'not-reduced']]);
    assert.deepEqual(Buffer.from(check.csv), native.files['check.csv']);
    assert.ok(native.stdout.includes(check.report), 'the CLI prints the same report');
    assert.deepEqual([core.checkCsvName(0), core.checkCsvName(2)], ['check.csv', 'check-2.csv']);
    // A damaged fingerprint is refused, never read as another photo.
    assert.throws(() => core.checkRun([{ ...photos[0], facts: { ...photos[0].facts, hashes: ['zz'] } }], capped));
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});

test('the sizes kept as settings text: damaged entries skipped, the choice kept once made', () => {
  assert.equal(core.defaultOutputSize().label, '標準（長辺 800 px・画質 80）');
  const written = core.writeOutputSizes('', [capped, { ...capped, name: '横長', maxSide: 0, boxWidth: 1200, boxHeight: 900, capKb: null }], '');
  assert.equal(written.ok, true);
  let read = core.readOutputSizes(written.text);
  assert.deepEqual(read.sizes.map((s) => s.label), ['ポータル（長辺 800 px・画質 80・25 KB まで）', '横長（1200×900 px・画質 80）']);
  assert.equal(read.chosen, '');
  // Choosing the default first adds nothing; choosing a size of one's own is kept.
  assert.equal(core.chooseOutputSize(written.text, ''), written.text);
  const chosen = core.chooseOutputSize(written.text, '横長');
  assert.equal(core.readOutputSizes(chosen).chosen, '横長');
  assert.equal(core.readOutputSizes(core.chooseOutputSize(chosen, '')).chosen, '');
  // Removing the chosen size falls back to the default and forgets the choice.
  const removed = core.writeOutputSizes(chosen, [capped], '横長');
  assert.deepEqual([removed.chosen, core.readOutputSizes(removed.text).chosen], ['', '']);
  // A damaged entry (quality out of range) is skipped; the others stay.
  read = core.readOutputSizes(written.text.replace(/Quality1=.*/, 'Quality1="999"'));
  assert.deepEqual(read.sizes.map((s) => s.name), ['横長']);
  assert.deepEqual(core.readOutputSizes('[OutputSize]\nCount="x"\n').sizes, []);
  assert.equal(core.writeOutputSizes('', [capped, capped], '').ok, false);
});

test('the sizes dialog\'s edits are refused in the core\'s words', () => {
  let list = core.editOutputSizes([], 'add', -1, capped);
  assert.deepEqual([list.problem, list.sizes.length], ['', 1]);
  const refusals = [
    ['add', -1, capped, '同じ名前の出力サイズがあります。'],
    ['add', -1, { ...capped, name: '標準' }, '「標準」は名前に使えません。'],
    ['add', -1, { ...capped, name: '' }, '名前を入力して下さい。'],
    ['add', -1, { ...capped, name: 'b', maxSide: Number.NaN }, '長辺は 100～10000 ピクセルにして下さい。'],
    ['add', -1, { ...capped, name: 'b', capKb: 5 }, 'ファイルサイズの上限は 10～100000 KB にして下さい。'],
    ['change', -1, capped, '出力サイズを選んで下さい。'],
    ['remove', 3, capped, '出力サイズを選んで下さい。'],
  ];
  for (const [action, index, size, problem] of refusals) {
    const answer = core.editOutputSizes(list.sizes, action, index, size);
    assert.deepEqual([answer.problem, answer.sizes.length], [problem, 1], `${action} ${size.name}`);
  }
  list = core.editOutputSizes(list.sizes, 'change', 0, { ...capped, quality: 70 });
  assert.deepEqual([list.problem, list.sizes[0].quality], ['', 70]);
  assert.equal(core.editOutputSizes(list.sizes, 'remove', 0, capped).sizes.length, 0);
});
