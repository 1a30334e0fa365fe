// The edited run through the page, in chromium: the mouse and the desktop's keys on the work
// view, the buttons, and the marker give the same 400 x 400 JPEG as `pictorel-cli edit` with
// the same commands; a damaged file's message; skip (Esc) and stop all.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { browserSuite, openPage, readOpfsFolder, nativeEdit, screenshot, testdata } from './harness.mjs';

const suite = browserSuite();
const { skip } = suite;

const photo = join(testdata, 'jpeg/photo_3872x2403.jpg');
const turned = join(testdata, 'jpeg/orientation/landscape_6.jpg');
const damaged = join(testdata, 'jpeg/errors/truncated_in_headers.jpg');

async function startEditedRun(page, files, folder) {
  await page.setInputFiles('#pictureInput', files);
  await page.waitForSelector('#processingScreen:not([hidden])');
  await page.fill('#folderNameField', folder);
  await page.click('#editedRunButton');
  await page.waitForSelector('#editorWindow:not([hidden])');
}

const shownCount = (page) => page.evaluate(() => performance.getEntriesByType('mark').filter((m) => m.name.startsWith('pictorel-editor-shown-')).length);

async function waitForPicture(page, index) {
  await page.waitForFunction((i) => performance.getEntriesByName(`pictorel-editor-shown-${i}`).length, index);
  await page.waitForSelector('#saveButton:not([disabled])');
}

// A mouse position on a view: the middle of view pixel (x, y).
async function at(page, selector, x, y) {
  const box = await page.locator(selector).boundingBox();
  return [box.x + x + 0.5, box.y + y + 0.5];
}

async function drag(page, selector, from, to) {
  await page.mouse.move(...(await at(page, selector, ...from)));
  await page.mouse.down();
  await page.mouse.move(...(await at(page, selector, (from[0] + to[0]) >> 1, (from[1] + to[1]) >> 1)));
  await page.mouse.move(...(await at(page, selector, ...to)));
  await page.mouse.up();
}

async function press(page, key, times = 1) {
  for (let i = 0; i < times; ++i) await page.keyboard.press(key);
}

test('mouse, keys and buttons give the bytes of pictorel-cli edit with the same commands', { skip }, async () => {
  const { context, page, problems } = await openPage(suite.browser, suite.server.origin);
  try {
    await startEditedRun(page, [photo, turned], 'edit1');
    await waitForPicture(page, 0);
    await drag(page, '#workView', [100, 80], [300, 280]); // --crop 100,80,200
    await press(page, 'ArrowRight', 3); // three key presses: --move 1,0 three times
    await press(page, 'ArrowUp', 2);
    await press(page, 'Shift+ArrowRight', 2); // the grow key: --grow 1 twice
    await press(page, 'Shift+ArrowUp', 1); // the shrink key
    await page.click('#brighterButton');
    await page.click('#brighterButton');
    await page.click('#turnButton');
    await page.click('#sharpenButton');
    await screenshot(page, 'editor');
    await page.click('#saveButton');

    // The second picture: a drag of the crop frame by its inside, then darker and undo.
    await waitForPicture(page, 1);
    await drag(page, '#workView', [50, 60], [150, 160]); // --crop 50,60,100
    await drag(page, '#workView', [100, 110], [130, 90]); // the frame moved by (30, -20)
    await page.click('#darkerButton');
    // 暗く at the starting brightness changes nothing, so 元に戻す takes back the frame's move.
    await page.click('#resetButton');
    await page.click('#sharpenButton');
    await page.keyboard.press('Enter');
    await page.waitForSelector('#resultsScreen:not([hidden])', { timeout: 60000 });

    const written = await readOpfsFolder(page, 'base/edit1');
    const expectFirst = await nativeEdit(photo, [
      '--crop', '100,80,200', '--move', '1,0', '--move', '1,0', '--move', '1,0', '--move', '0,-1', '--move', '0,-1',
      '--grow', '1', '--grow', '1', '--shrink', '1', '--brighter', '--brighter', '--rotate', '--sharpen',
    ]);
    assert.ok(written['photo_3872x2403.jpg']?.equals(expectFirst), 'the first picture differs from pictorel-cli edit');
    const expectSecond = await nativeEdit(turned, ['--crop', '50,60,100', '--darker', '--sharpen']);
    assert.ok(written['landscape_6.jpg']?.equals(expectSecond), 'the second picture differs from pictorel-cli edit');
    assert.deepEqual(problems, []);
  } finally {
    await context.close();
  }
});

test('自動補正, mouse-drawn mosaics, Delete and 元に戻す give the bytes of pictorel-cli edit', { skip }, async () => {
  const { context, page, problems } = await openPage(suite.browser, suite.server.origin);
  try {
    await startEditedRun(page, [photo], 'mosaic');
    await waitForPicture(page, 0);
    assert.deepEqual(await page.$$eval('#toolPanel button', (b) => b.map((x) => x.textContent)), ['自動補正', 'モザイク', '垂直補正']);
    await page.click('#autoAdjustButton');
    await page.click('#mosaicButton');
    await drag(page, '#workView', [50, 60], [150, 140]); // --mosaic 50,60,100,80
    await drag(page, '#workView', [200, 200], [260, 250]); // --mosaic 200,200,60,50
    await page.keyboard.press('Delete'); // removes the one drawn last, 元に戻す brings it back
    for (const button of ['#resetButton', '#brighterButton', '#resetButton']) await page.click(button);
    await drag(page, '#workView', [230, 225], [230, 225]); // a click selects it again
    // Outlined in the desktop's yellow, the selected rectangle two pixels wide.
    const yellowAt = (points) => points.map(([x, y]) =>
      String(document.getElementById('workView').getContext('2d').getImageData(x, y, 1, 1).data) === '245,224,126,255');
    const outlines = () => page.evaluate(yellowAt, [[50, 60], [51, 61], [201, 201]]);
    // The click's redraw comes back from the worker: poll until it is drawn (at most 5 s).
    for (let i = 0; i < 50 && String(await outlines()) !== 'true,false,true'; ++i) await page.waitForTimeout(100);
    assert.deepEqual(await outlines(), [true, false, true]);
    await screenshot(page, 'editor-mosaic');
    await page.click('#saveButton');
    await page.waitForSelector('#resultsScreen:not([hidden])', { timeout: 60000 });
    const written = await readOpfsFolder(page, 'base/mosaic');
    const expected = await nativeEdit(photo, ['--auto-adjust', '--mosaic', '50,60,100,80', '--mosaic', '200,200,60,50',
      '--brighter', '--step-back']);
    assert.ok(written['photo_3872x2403.jpg']?.equals(expected), 'the picture differs from pictorel-cli edit');
    assert.deepEqual(problems, []);
  } finally {
    await context.close();
  }
});

test('the marker: shown, dragged and turned as pictorel-cli edit --marker places and turns it', { skip }, async () => {
  const { context, page } = await openPage(suite.browser, suite.server.origin);
  try {
    await startEditedRun(page, [photo], 'marker');
    await waitForPicture(page, 0);
    await page.click('#markerButton');
    await page.waitForFunction(() => document.getElementById('markerButton').textContent === '方角を消去');
    // The marker starts at (175, 175), 50 x 50 on the result view; over it its frame shows.
    // pictorel-cli edit --marker counts in the result panel, whose view starts 2 pixels in.
    await page.mouse.move(...(await at(page, '#resultView', 200, 200)));
    await drag(page, '#resultView', [200, 200], [240, 170]);
    await page.click('#markerRightButton');
    await page.click('#markerRightButton');
    await page.click('#markerLeftButton');
    await page.click('#markerRightButton');
    await page.click('#saveButton');
    await page.waitForSelector('#resultsScreen:not([hidden])', { timeout: 60000 });
    const written = await readOpfsFolder(page, 'base/marker');
    const expected = await nativeEdit(photo, ['--marker', '217,147,50', '--turn-right', '--turn-right', '--turn-left', '--turn-right']);
    assert.ok(written['photo_3872x2403.jpg']?.equals(expected), 'the marked picture differs from pictorel-cli edit');
  } finally {
    await context.close();
  }
});

test('a damaged file shows the message with its name; Esc skips, stop all ends the run', { skip }, async () => {
  const { context, page } = await openPage(suite.browser, suite.server.origin);
  try {
    await startEditedRun(page, [damaged, photo, turned], 'mixed');
    await page.waitForFunction(() => !document.getElementById('editorMessage').hidden);
    assert.match(await page.textContent('#editorMessage'), /画像ファイルが壊れているか、サイズが大き過ぎます。/);
    assert.match(await page.textContent('#editorCaption'), /truncated_in_headers\.jpg/);
    assert.equal(await page.isDisabled('#saveButton'), true);
    await screenshot(page, 'editor-damaged');
    await page.keyboard.press('Escape');
    await waitForPicture(page, 1);
    await page.keyboard.press('Escape');
    await waitForPicture(page, 2);
    await page.click('#stopAllButton');
    await page.waitForSelector('#resultsScreen:not([hidden])', { timeout: 60000 });
    assert.equal(await shownCount(page), 3);
    assert.deepEqual(await readOpfsFolder(page, 'base/mixed'), {});
    const rows = await page.$$eval('#resultsBody tr', (r) => r.map((x) => x.textContent));
    assert.equal(rows.length, 3);
    assert.match(rows[0], /truncated_in_headers\.jpg.*画像ファイルが壊れているか/);
  } finally {
    await context.close();
  }
});
