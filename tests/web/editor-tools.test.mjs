// The editor session's 自動補正, モザイク and undo against the native pictorel-cli edit.
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
const skip = fs.existsSync(photo) ? false : `no picture corpus at ${corpus}`;
const moduleDir = path.join(webBuild, 'site/core');
const { default: createCore } = await import(pathToFileURL(path.join(moduleDir, 'pictorel-core.js')));
const core = await createCore({ wasmBinary: fs.readFileSync(path.join(moduleDir, 'pictorel-core.wasm')) });

function loaded(name = 'room.jpg') {
  const session = new core.EditorSession();
  session.load(new Uint8Array(fs.readFileSync(photo)), name);
  return session;
}
const drag = (session, from, to) => {
  session.cropPointerDown(...from);
  session.cropPointerMove(...to);
  session.cropPointerUp(...to);
};
const boxes = (session) => session.state().mosaic.rects.map((r) => [r.left, r.top, r.width, r.height]);

test('自動補正, drawn and keyed mosaics and undo save the native edit\'s JPEG', { skip }, () => {
  const session = loaded();
  session.autoAdjust();
  session.mosaicMode(true);
  drag(session, [150, 140], [50, 60]); // drawn from either corner
  drag(session, [200, 200], [260, 250]);
  assert.deepEqual(boxes(session), [[50, 60, 100, 80], [200, 200, 60, 50]]);
  assert.equal(session.cursorAt('crop', 259, 249), 'nwse-resize');
  // Shift+Down and an arrow change the selected rectangle when let go; undo takes that back.
  ['GrowDown', 'Right'].forEach((key) => session.key(key));
  assert.deepEqual(session.state().mosaic.pending, { left: 201, top: 200, width: 60, height: 51 });
  session.keysReleased();
  assert.deepEqual(boxes(session)[1], [201, 200, 60, 51]);
  session.undo();
  session.brighter();
  session.undo();
  const jpeg = new Uint8Array(session.save().jpeg);
  session.delete();
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'editor-tools-'));
  execFileSync(nativeCli, ['edit', photo, path.join(folder, 'out.jpg'), '--auto-adjust', '--mosaic', '50,60,100,80',
    '--mosaic', '200,200,60,50', '--brighter', '--step-back']);
  assert.deepEqual(jpeg, new Uint8Array(fs.readFileSync(path.join(folder, 'out.jpg'))));
  fs.rmSync(folder, { recursive: true });
});

// The crop frame lets the mosaic mode's pointer through; the mode carries over to the next
// picture (in this session or an adopting one), the rectangles do not.
test('the mosaic mode routes the pointer past the frame and carries over without its rectangles', { skip }, () => {
  const [one, next] = [loaded('one.jpg'), loaded('two.jpg')];
  drag(one, [100, 100], [300, 300]);
  one.mosaicMode(true);
  drag(one, [150, 150], [200, 180]);
  assert.deepEqual([one.state().crop.left, one.state().crop.width, boxes(one)], [100, 200, [[150, 150, 50, 30]]]);
  assert.equal(next.adoptCarried(one.state()), true);
  one.load(new Uint8Array(fs.readFileSync(photo)), 'two.jpg');
  for (const session of [one, next])
    assert.deepEqual([session.state().mosaic.mode, boxes(session), session.state().canUndo], [true, [], false]);
  assert.equal(next.adoptCarried({ ...one.state(), mosaic: { mode: 'yes' } }), false);
  [one, next].forEach((session) => session.delete());
});
