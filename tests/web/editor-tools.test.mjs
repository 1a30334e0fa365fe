// The editor session's 自動補正, モザイク and undo against the native pictorel-cli edit.
//   PICTOREL_WEB_BUILD=build-web PICTOREL_NATIVE_CLI=build/pictorel-cli node --test tests/web/
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

const checkout = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const webBuild = path.resolve(process.env.PICTOREL_WEB_BUILD || path.join(checkout, 'build-web'));
const nativeCli = path.resolve(process.env.PICTOREL_NATIVE_CLI || path.join(checkout, 'build/pictorel-cli'));
const corpus = path.resolve(process.env.PICTOREL_TESTDATA || path.join(checkout, '../shared/testdata'));
const photo = path.join(corpus, 'jpeg/photo_3872x2403.jpg');
const noCorpus = fs.existsSync(photo) ? false : `no picture corpus at ${corpus}`;

const moduleDir = path.join(webBuild, 'site/core');
const { default: createCore } = await import(pathToFileURL(path.join(moduleDir, 'pictorel-core.js')));
const core = await createCore({ wasmBinary: fs.readFileSync(path.join(moduleDir, 'pictorel-core.wasm')) });

function nativeEdit(args) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'editor-tools-'));
  try {
    fs.copyFileSync(photo, path.join(folder, 'room.jpg'));
    execFileSync(nativeCli, ['edit', path.join(folder, 'room.jpg'), path.join(folder, 'out.jpg'), ...args], { stdio: 'pipe' });
    return new Uint8Array(fs.readFileSync(path.join(folder, 'out.jpg')));
  } finally {
    fs.rmSync(folder, { recursive: true });
  }
}

function withSession(body) {
  const session = new core.EditorSession();
  try {
    return body(session);
  } finally {
    session.delete();
  }
}

const drag = (session, from, to) => {
  session.cropPointerDown(...from);
  session.cropPointerMove(...to);
  session.cropPointerUp(...to);
};
const boxes = (state) => state.mosaic.rects.map((r) => [r.left, r.top, r.width, r.height]);

test('自動補正, mouse-drawn mosaics, keys, Delete and undo save the native edit\'s JPEG', { skip: noCorpus }, () => {
  const jpeg = withSession((session) => {
    session.load(new Uint8Array(fs.readFileSync(photo)), 'room.jpg');
    assert.equal(session.state().canUndo, false);
    session.autoAdjust();
    session.mosaicMode(true);
    drag(session, [150, 140], [50, 60]); // drawn from either corner
    drag(session, [200, 200], [260, 250]);
    let state = session.state();
    assert.deepEqual(boxes(state), [[50, 60, 100, 80], [200, 200, 60, 50]]);
    assert.deepEqual([state.mosaic.mode, state.mosaic.selected, state.canUndo], [true, 1, true]);
    assert.equal(session.cursorAt('crop', 259, 249), 'nwse-resize');

    // Shift+Down and an arrow change the selected rectangle only when let go; undo takes the
    // change back as one step.
    for (const key of ['GrowDown', 'Right']) assert.equal(session.key(key), true);
    assert.deepEqual(session.state().mosaic.pending, { left: 201, top: 200, width: 60, height: 51 });
    assert.deepEqual(boxes(session.state())[1], [200, 200, 60, 50]);
    session.keysReleased();
    assert.deepEqual(boxes(session.state())[1], [201, 200, 60, 51]);
    assert.equal(session.undo(), true);
    assert.deepEqual(boxes(session.state())[1], [200, 200, 60, 50]);

    // Delete removes the one grabbed last; undo brings it back.
    drag(session, [100, 100], [100, 100]); // a click on the first selects it
    session.key('Delete');
    assert.deepEqual(boxes(session.state()), [[200, 200, 60, 50]]);
    session.undo();
    assert.deepEqual(boxes(session.state()), [[50, 60, 100, 80], [200, 200, 60, 50]]);

    session.brighter();
    session.undo();
    return new Uint8Array(session.save().jpeg);
  });
  assert.deepEqual(jpeg, nativeEdit(['--auto-adjust', '--mosaic', '50,60,100,80', '--mosaic', '200,200,60,50',
    '--brighter', '--step-back']));
});

test('the mosaic mode takes the pointer and keys from the crop frame, and reset() keeps the mosaics', { skip: noCorpus }, () => {
  withSession((session) => {
    session.load(new Uint8Array(fs.readFileSync(photo)), 'room.jpg');
    drag(session, [100, 100], [300, 300]);
    session.brighter();
    session.mosaicMode(true);
    drag(session, [150, 150], [200, 180]); // inside the frame: the frame lets it through
    assert.equal(session.key('Up'), true);
    session.keysReleased();
    let state = session.state();
    assert.deepEqual([state.crop.left, state.crop.top, state.crop.width], [100, 100, 200]);
    assert.deepEqual(boxes(state), [[150, 149, 50, 30]]);
    session.reset(); // the brightness only
    assert.deepEqual([session.state().brightness, boxes(session.state()).length], [0, 1]);
    session.mosaicMode(false);
    assert.equal(session.state().mosaic.selected, -1);
    session.key('Delete'); // outside the mosaic mode Delete removes nothing
    session.key('Left');
    session.keysReleased();
    state = session.state();
    assert.deepEqual([state.crop.left, boxes(state).length], [99, 1]);
  });
});

// The mode is the editor's, the rectangles the picture's: a next picture, in the same session
// or in a second one that adopts the carried state, keeps the mode and starts without mosaics.
test('the mosaic mode carries over to the next picture, the rectangles do not', { skip: noCorpus }, () => {
  const bytes = new Uint8Array(fs.readFileSync(photo));
  withSession((one) =>
    withSession((next) => {
      one.load(bytes, 'one.jpg');
      one.mosaicMode(true);
      drag(one, [10, 10], [90, 90]);
      const carried = one.state();
      next.load(bytes, 'two.jpg');
      assert.equal(next.adoptCarried(carried), true);
      one.load(bytes, 'two.jpg');
      for (const session of [one, next]) {
        const { mode, rects, selected } = session.state().mosaic;
        assert.deepEqual([mode, rects, selected, session.state().canUndo], [true, [], -1, false]);
      }
      assert.equal(next.adoptCarried({ ...carried, mosaic: { mode: 'yes' } }), false);
      const { mosaic, ...older } = carried;
      assert.equal(next.adoptCarried(older), true);
      assert.equal(next.state().mosaic.mode, false);
    }),
  );
});
