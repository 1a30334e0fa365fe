// The automatic run through the page, in chromium: the folder path (an origin-private
// directory handle in place of the picker), never-overwrite names on a second run, the
// existing-folder question, the ZIP path, a damaged file's message, a file gone before the
// run, and Esc. Every JPEG is compared byte for byte with the native pictorel-cli's.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, copyFileSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, basename } from 'node:path';
import { unzipSync } from 'fflate';
import { browserSuite, openPage, readOpfsFolder, nativeShrink, nativeEdit, screenshot, mixedBatch, testdata } from './harness.mjs';

const suite = browserSuite();
const { skip } = suite;

async function select(page, files) {
  await page.setInputFiles('#pictureInput', files);
  await page.waitForSelector('#processingScreen:not([hidden])');
}

async function typeFolderName(page, name) {
  await page.fill('#folderNameField', name);
  await page.waitForSelector('#runGroup:not([hidden])');
}

async function runToResults(page) {
  await page.click('#automaticRunButton');
  await page.waitForSelector('#resultsScreen:not([hidden])', { timeout: 120000 });
}

async function resultRows(page) {
  return page.$$eval('#resultsBody tr', (rows) =>
    rows.map((r) => ({ cells: [...r.cells].map((c) => c.textContent), failed: r.classList.contains('failed') })));
}

function assertSameFiles(actual, expected) {
  assert.deepEqual(Object.keys(actual).sort(), Object.keys(expected).sort());
  for (const [name, bytes] of Object.entries(expected)) assert.ok(actual[name].equals(bytes), `${name} differs from the native run's`);
}

test('folder path: a mixed batch twice into one folder gives the native bytes and never-overwrite names', { skip }, async () => {
  const { context, page, problems } = await openPage(suite.browser, suite.server.origin);
  try {
    await screenshot(page, 'main-screen');
    await select(page, mixedBatch);
    await typeFolderName(page, '1234');
    await runToResults(page);
    const first = await readOpfsFolder(page, 'base/1234');
    assertSameFiles(first, (await nativeShrink(mixedBatch)).files);

    const rows = await resultRows(page);
    assert.equal(rows.length, mixedBatch.length);
    const damaged = rows.find((r) => r.failed);
    assert.ok(damaged, 'the damaged file has a failure row');
    assert.match(damaged.cells[0], /truncated_in_headers\.jpg/);
    assert.match(damaged.cells[1], /画像ファイルが壊れているか、サイズが大き過ぎます。/);
    for (const row of rows.filter((r) => !r.failed)) assert.ok(first[row.cells[1]], `${row.cells[1]} was written`);
    await screenshot(page, 'results-list');

    // Second run into the same folder: the question, answered いいえ, runs into it.
    await page.click('#backToSelectionButton');
    await select(page, mixedBatch);
    await typeFolderName(page, '1234');
    await page.click('#automaticRunButton');
    await page.waitForSelector('#messageBox:not([hidden])');
    assert.equal(await page.textContent('#messageText'), '指定した名前のフォルダが既に存在します。処理を中止しますか？');
    await page.click('#messageButtons button[data-answer="no"]');
    await page.waitForSelector('#resultsScreen:not([hidden])', { timeout: 120000 });
    assertSameFiles(await readOpfsFolder(page, 'base/1234'), (await nativeShrink(mixedBatch, { runs: 2 })).files);
    assert.deepEqual(problems, []);
  } finally {
    await context.close();
  }
});

test('existing folder answered はい: another name is asked for and nothing is written', { skip }, async () => {
  const { context, page } = await openPage(suite.browser, suite.server.origin);
  try {
    await page.evaluate(async () => {
      const root = await navigator.storage.getDirectory();
      await (await root.getDirectoryHandle('base', { create: true })).getDirectoryHandle('A101', { create: true });
    });
    await select(page, mixedBatch.slice(0, 1));
    await typeFolderName(page, 'A101');
    await page.click('#automaticRunButton');
    await page.waitForSelector('#messageBox:not([hidden])');
    await page.keyboard.press('y');
    await page.waitForFunction(() => document.getElementById('messageText').textContent === '別の名前を付けて下さい');
    await page.click('#messageButtons button');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'folderNameField');
    assert.deepEqual(await readOpfsFolder(page, 'base/A101'), {});
  } finally {
    await context.close();
  }
});

test('ZIP path: without a folder picker the results download as 1234.zip with the native names and bytes', { skip }, async () => {
  const { context, page } = await openPage(suite.browser, suite.server.origin, { picker: 'none' });
  try {
    await select(page, mixedBatch);
    await typeFolderName(page, '1234');
    const download = page.waitForEvent('download', { timeout: 120000 });
    await runToResults(page);
    const zip = await download;
    assert.equal(zip.suggestedFilename(), '1234.zip');
    const entries = unzipSync(readFileSync(await zip.path()));
    const files = Object.fromEntries(Object.entries(entries).map(([n, b]) => [n, Buffer.from(b)]));
    assertSameFiles(files, (await nativeShrink(mixedBatch)).files);
    assert.equal(await page.isVisible('#downloadZipButton'), true);
  } finally {
    await context.close();
  }
});

test('Esc stops the run after the pictures in hand; what was written matches the native bytes', { skip }, async () => {
  // Twelve copies of a large photo under distinct names, so the run lasts long enough to stop.
  const dir = mkdtempSync(join(tmpdir(), 'pictorel-esc-'));
  const photo = join(testdata, 'jpeg/photo_jolla_3264x2448.jpg');
  const files = Array.from({ length: 12 }, (_, i) => join(dir, `p${String(i).padStart(2, '0')}.jpg`));
  for (const f of files) copyFileSync(photo, f);
  const { context, page } = await openPage(suite.browser, `${suite.server.origin}`, { jobs: 1 });
  try {
    await page.goto(`${suite.server.origin}/?jobs=1`);
    await page.waitForFunction(() => document.body.dataset.ready === 'yes');
    await select(page, files);
    await typeFolderName(page, 'esc');
    await page.click('#automaticRunButton');
    await page.waitForFunction(() => /^[1-9]\d* \//.test(document.getElementById('progressCount').textContent));
    await screenshot(page, 'run-in-progress');
    await page.keyboard.press('Escape');
    await page.waitForSelector('#resultsScreen:not([hidden])', { timeout: 120000 });
    const written = await readOpfsFolder(page, 'base/esc');
    const count = Object.keys(written).length;
    assert.ok(count >= 1 && count < files.length, `${count} of ${files.length} written after Esc`);
    const native = (await nativeShrink(files)).files;
    for (const [name, bytes] of Object.entries(written)) assert.ok(native[name].equals(bytes), `${name} differs`);
    assert.equal((await resultRows(page)).length, count);
    assert.notEqual(await page.textContent('#resultsHeading'), '');
  } finally {
    await context.close();
    rmSync(dir, { recursive: true, force: true });
  }
});

test('a photo gone after it was chosen is told by name; the editor set aside for the run still edits', { skip }, async () => {
  const dir = mkdtempSync(join(tmpdir(), 'pictorel-gone-'));
  const sources = ['jpeg/photo_3872x2403.jpg', 'png/photo_rgb8_408x306.png', 'jpeg/photo_jolla_3264x2448.jpg'];
  const files = sources.map((p, i) => join(dir, `${i}_${basename(p)}`));
  sources.forEach((p, i) => copyFileSync(join(testdata, p), files[i]));
  const { context, page, problems } = await openPage(suite.browser, suite.server.origin);
  try {
    // The run starts while the editor's first picture may still be decoding.
    await select(page, files);
    rmSync(files[1]);
    await typeFolderName(page, 'gone');
    await runToResults(page);
    const rows = await resultRows(page);
    assert.deepEqual(rows.map((r) => r.failed), [false, true, false]);
    assert.match(rows[1].cells[1], /^ファイル .*1_photo_rgb8_408x306\.png は開けません./);
    assertSameFiles(await readOpfsFolder(page, 'base/gone'), (await nativeShrink([files[0], files[2]])).files);

    // The editor is told of a file gone before its turn in the core's words, with the
    // browser's reason beneath.
    await page.click('#backToSelectionButton');
    copyFileSync(join(testdata, sources[1]), files[1]);
    await select(page, [files[2], files[1]]);
    rmSync(files[1]);
    await typeFolderName(page, 'gone-edited');
    await page.click('#editedRunButton');
    await page.waitForSelector('#saveButton:not([disabled])', { timeout: 60000 });
    await page.click('#saveButton');
    await page.waitForFunction(() => !document.getElementById('editorMessage').hidden, null, { timeout: 60000 });
    assert.match(await page.textContent('#editorMessage'), /1_photo_rgb8_408x306\.png[^\n]*\n./);
    await page.keyboard.press('Escape');
    await page.waitForSelector('#resultsScreen:not([hidden])', { timeout: 60000 });
    const edited = await readOpfsFolder(page, 'base/gone-edited');
    assert.deepEqual(Object.keys(edited), ['2_photo_jolla_3264x2448.jpg']);
    assert.ok(edited['2_photo_jolla_3264x2448.jpg'].equals(await nativeEdit(files[2], [])), 'the edited photo differs');
    assert.deepEqual(problems, []);
  } finally {
    await context.close();
    rmSync(dir, { recursive: true, force: true });
  }
});
