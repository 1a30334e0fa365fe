// The main screen in chromium: choosing pictures (folder order, extensions, drops), the
// folder-name rules and messages as the core gives them, the names used before, and the
// page's offline promise (service worker, no request to another origin).
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, mkdirSync, copyFileSync, writeFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { browserSuite, openPage, testdata, mixedBatch, readOpfsFolder } from './harness.mjs';

const suite = browserSuite({ native: false });
const { skip } = suite;

const selected = (page) => page.$$eval('#selectedList li', (items) => items.map((i) => i.textContent));

test('a chosen folder is taken depth first in name order, pictures only', { skip }, async () => {
  const dir = mkdtempSync(join(tmpdir(), 'pictorel-folder-'));
  const photos = join(dir, 'photos');
  mkdirSync(join(photos, 'b_sub'), { recursive: true });
  const jpeg = join(testdata, 'jpeg/orientation/landscape_6.jpg');
  for (const name of ['IMG_10.jpg', 'IMG_2.JPG', 'a.png', 'b_sub/IMG_1.jpg', 'c.jpg']) copyFileSync(jpeg, join(photos, name));
  writeFileSync(join(photos, 'notes.txt'), 'not a picture');
  const { context, page } = await openPage(suite.browser, suite.server.origin, { picker: 'none' });
  try {
    await page.setInputFiles('#folderInput', photos);
    await page.waitForSelector('#processingScreen:not([hidden])');
    assert.deepEqual(await selected(page), ['photos/a.png', 'photos/b_sub/IMG_1.jpg', 'photos/c.jpg', 'photos/IMG_2.JPG', 'photos/IMG_10.jpg']);
    assert.equal(await page.textContent('#selectedCount'), '選択ファイル数：5');
    assert.equal(await page.textContent('#screenTitle'), '処理選択');
  } finally {
    await context.close();
    rmSync(dir, { recursive: true, force: true });
  }
});

test('a drop of files keeps their order and leaves out what the core does not read', { skip }, async () => {
  const { context, page } = await openPage(suite.browser, suite.server.origin);
  try {
    await page.evaluate(() => {
      const transfer = new DataTransfer();
      for (const name of ['z.jpg', 'notes.txt', 'a.heic']) transfer.items.add(new File([new Uint8Array(4)], name));
      document.getElementById('dropArea').dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
    });
    await page.waitForSelector('#processingScreen:not([hidden])');
    assert.deepEqual(await selected(page), ['z.jpg', 'a.heic']);
  } finally {
    await context.close();
  }
});

test('folder names: the run buttons wait for a name, the core judges it, used names come back', { skip }, async () => {
  const { context, page } = await openPage(suite.browser, suite.server.origin);
  try {
    await page.setInputFiles('#pictureInput', mixedBatch.slice(0, 1));
    await page.waitForSelector('#processingScreen:not([hidden])');
    await page.fill('#folderNameField', '   ');
    assert.equal(await page.isHidden('#runGroup'), true, 'spaces only show no run buttons');
    const cases = [
      ['a/b', 'フォルダの名前に「/」は使えません'],
      ['a:b*c', 'フォルダの名前に「:」は使えません'],
      ['..', 'フォルダの名前を「..」にはできません'],
      ['a\tb', 'フォルダの名前に改行などの制御文字は使えません'],
    ];
    for (const [name, message] of cases) {
      await page.fill('#folderNameField', name);
      await page.waitForSelector('#runGroup:not([hidden])');
      await page.click('#automaticRunButton');
      await page.waitForSelector('#messageBox:not([hidden])');
      assert.equal(await page.textContent('#messageTitle'), 'エラー');
      assert.equal(await page.textContent('#messageText'), message, `for ${JSON.stringify(name)}`);
      await page.click('#messageButtons button');
      assert.equal(await page.evaluate(() => document.activeElement.id), 'folderNameField');
    }
    await page.fill('#folderNameField', 'B-205');
    await page.click('#automaticRunButton');
    await page.waitForSelector('#resultsScreen:not([hidden])', { timeout: 60000 });
    await page.reload();
    await page.waitForFunction(() => document.body.dataset.ready === 'yes');
    await page.setInputFiles('#pictureInput', mixedBatch.slice(0, 1));
    await page.waitForSelector('#processingScreen:not([hidden])');
    const offered = await page.$$eval('#folderNameList option', (o) => o.map((x) => x.value));
    assert.equal(offered[0], '元画像と同じフォルダに別名で保存');
    assert.ok(offered.includes('B-205'), `offered: ${offered}`);
  } finally {
    await context.close();
  }
});

test('元画像と同じフォルダに別名で保存 writes mini_ files into a source folder picked with write access', { skip }, async () => {
  const { context, page } = await openPage(suite.browser, suite.server.origin);
  try {
    // The folder picker of this test gives 'sources' for the pictures, 'base' for results.
    await page.evaluate(async () => {
      const root = await navigator.storage.getDirectory();
      const sources = await root.getDirectoryHandle('sources', { create: true });
      const bytes = await (await fetch('icons/pictorel-192.png')).arrayBuffer();
      const stream = await (await sources.getFileHandle('x.png', { create: true })).createWritable();
      await stream.write(bytes);
      await stream.close();
      // A folder holding the first name: the result must take the next one, not fail.
      await sources.getDirectoryHandle('mini_x.jpg', { create: true });
      const pick = window.showDirectoryPicker;
      window.showDirectoryPicker = (options) => (options?.id === 'pictorel-sources' ? sources : pick(options));
    });
    await page.click('#chooseFolderButton');
    await page.waitForSelector('#processingScreen:not([hidden])');
    assert.deepEqual(await selected(page), ['sources/x.png']);
    await page.fill('#folderNameField', '元画像と同じフォルダに別名で保存');
    await page.click('#automaticRunButton');
    await page.waitForSelector('#resultsScreen:not([hidden])', { timeout: 60000 });
    const names = Object.keys(await readOpfsFolder(page, 'sources')).sort();
    assert.deepEqual(names, ['mini_x-1.jpg', 'x.png']); // mini_x.jpg is the folder
  } finally {
    await context.close();
  }
});

test('after the first visit the page runs offline; nothing is asked of another origin', { skip }, async () => {
  const { context, page } = await openPage(suite.browser, suite.server.origin);
  const requests = [];
  context.on('request', (request) => requests.push(request.url()));
  try {
    await page.evaluate(async () => {
      await navigator.serviceWorker.ready;
    });
    await page.reload();
    await page.waitForFunction(() => document.body.dataset.ready === 'yes' && navigator.serviceWorker.controller);
    await context.setOffline(true);
    await page.reload();
    await page.waitForFunction(() => document.body.dataset.ready === 'yes', null, { timeout: 30000 });
    await page.setInputFiles('#pictureInput', mixedBatch.slice(0, 2));
    await page.fill('#folderNameField', 'offline');
    await page.click('#automaticRunButton');
    await page.waitForSelector('#resultsScreen:not([hidden])', { timeout: 60000 });
    assert.equal(Object.keys(await readOpfsFolder(page, 'base/offline')).length, 2);
    // The policy refuses a connection elsewhere before it is made.
    const outcome = await page.evaluate(() => fetch('http://192.0.2.1/').then(() => 'fetched', () => 'refused'));
    assert.equal(outcome, 'refused');
    const foreign = requests.filter((u) => !u.startsWith(suite.server.origin) && !u.startsWith('blob:') && !u.startsWith('data:'));
    assert.deepEqual(foreign, []);
  } finally {
    await context.setOffline(false);
    await context.close();
  }
});
