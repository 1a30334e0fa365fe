// 垂直補正 in the page's editor: the button toggles the straightened picture, 元に戻す takes a
// press back, the saved 400 x 400 JPEG has the bytes of `pictorel-cli edit --straighten`, and
// a photo without enough lines gets the core's plain message and stays as it was.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { browserSuite, openPage, readOpfsFolder, nativeEdit, screenshot, testdata } from './harness.mjs';

const suite = browserSuite();
const { skip } = suite;

// A photo with verticals, large enough that the native warp splits its
// rows over threads (the module's runs on one); a photo without straight edges.
const lined = join(testdata, 'jpeg/photo_3872x2403.jpg');
const lineless = join(testdata, 'jpeg/photo_jolla_3264x2448.jpg');

const pressed = (page) => page.getAttribute('#straightenButton', 'aria-pressed');

async function waitForPicture(page, index) {
  await page.waitForFunction((i) => performance.getEntriesByName(`pictorel-editor-shown-${i}`).length, index);
  await page.waitForSelector('#saveButton:not([disabled])');
}

async function pressAndWait(page, selector, expected) {
  await page.click(selector);
  await page.waitForFunction((want) => document.getElementById('straightenButton').getAttribute('aria-pressed') === want, expected);
}

test('垂直補正 toggles, 元に戻す takes it back, and the saved bytes are pictorel-cli edit --straighten', { skip }, async () => {
  const { context, page, problems } = await openPage(suite.browser, suite.server.origin);
  try {
    await page.setInputFiles('#pictureInput', [lined, lineless]);
    await page.waitForSelector('#processingScreen:not([hidden])');
    await page.fill('#folderNameField', 'straight');
    await page.click('#editedRunButton');
    await page.waitForSelector('#editorWindow:not([hidden])');
    await waitForPicture(page, 0);

    assert.equal(await page.textContent('#straightenButton'), '垂直補正');
    assert.equal(await page.getAttribute('#straightenButton', 'title'), '傾きと縦線のすぼまりを補正');
    const before = await page.evaluate(() => String(document.getElementById('workView').getContext('2d').getImageData(0, 0, 400, 400).data));
    await pressAndWait(page, '#straightenButton', 'true');
    const straightened = await page.evaluate(() => String(document.getElementById('workView').getContext('2d').getImageData(0, 0, 400, 400).data));
    assert.notEqual(straightened, before, 'the work view did not change');
    await pressAndWait(page, '#straightenButton', 'false'); // pressed again: the picture before
    await pressAndWait(page, '#straightenButton', 'true');
    await pressAndWait(page, '#resetButton', 'false'); // 元に戻す takes the last press back
    await pressAndWait(page, '#straightenButton', 'true');
    await screenshot(page, 'editor-straightened');
    await page.click('#saveButton');

    // Too few lines: the core's message in the plain box, nothing changed.
    await waitForPicture(page, 1);
    await page.click('#straightenButton');
    await page.waitForSelector('#messageBox:not([hidden])');
    assert.equal(await page.textContent('#messageText'), '垂直・水平の線が足りないため補正できません。');
    await page.click('#messageButtons button');
    await page.waitForSelector('#messageBox', { state: 'hidden' });
    assert.equal(await pressed(page), 'false');
    await page.click('#saveButton');
    await page.waitForSelector('#resultsScreen:not([hidden])', { timeout: 60000 });

    const written = await readOpfsFolder(page, 'base/straight');
    const expected = await nativeEdit(lined, ['--straighten', '--straighten', '--straighten', '--step-back', '--straighten']);
    assert.ok(written['photo_3872x2403.jpg']?.equals(expected), 'the straightened picture differs from pictorel-cli edit');
    assert.ok(!expected.equals(await nativeEdit(lined, [])), 'the native edit did not straighten');
    const unchanged = await nativeEdit(lineless, []);
    assert.ok(written['photo_jolla_3264x2448.jpg']?.equals(unchanged), 'the photo without lines was changed');
    assert.deepEqual(problems, []);
  } finally {
    await context.close();
  }
});
