// What every browser test shares: the built site served on 127.0.0.1 by a small static
// server, Debian's chromium driven by playwright-core, the native pictorel-cli to compare
// bytes with, and the picture corpus.
import { spawn, execFile } from 'node:child_process';
import { once } from 'node:events';
import { existsSync, mkdtempSync, mkdirSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve, dirname, basename } from 'node:path';
import { before, after } from 'node:test';
import { fileURLToPath } from 'node:url';
import { promisify } from 'node:util';
import { chromium } from 'playwright-core';

export const repo = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
export const site = resolve(repo, process.env.PICTOREL_WEB_SITE || 'build-web/site');
export const cli = resolve(repo, process.env.PICTOREL_CLI || 'build/pictorel-cli');
export const testdata = resolve(repo, process.env.PICTOREL_TESTDATA || '../shared/testdata');
export const screenshots = resolve(repo, 'build-web/screenshots');
export const haveCorpus = existsSync(join(testdata, 'jpeg'));
export const haveCore = existsSync(join(site, 'core/pictorel-core.wasm'));
export const haveCli = existsSync(cli);

// The mixed batch both runs go through: a JPEG stored turned, a Display P3 HEIC, a WebP with
// alpha, a PNG and a damaged JPEG, in this selection order.
export const mixedBatch = [
  'jpeg/orientation/landscape_6.jpg',
  'modern/heic/iphone11promax_p3_edited.heic',
  'modern/webp/lossy_alpha.webp',
  'png/photo_rgb8_408x306.png',
  'jpeg/errors/truncated_in_headers.jpg',
].map((p) => join(testdata, p));

export async function startServer() {
  const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', site], {
    stdio: ['ignore', 'pipe', 'pipe'],
  });
  // The server's output keeps flowing into nothing once its address is known: a closed
  // pipe would end the server at its next log line.
  server.stderr.resume();
  const origin = await new Promise((resolve, reject) => {
    let text = '';
    server.stdout.on('data', (chunk) => {
      text += chunk;
      const port = /port (\d+)/.exec(text);
      if (port) resolve(`http://127.0.0.1:${port[1]}`);
    });
    server.on('exit', () => reject(new Error(`the static server did not start: ${text}`)));
  });
  return { origin, stop: () => stopProcess(server) };
}

async function stopProcess(child) {
  if (child.exitCode !== null) return;
  child.kill('SIGTERM');
  await once(child, 'exit');
}

export function launchBrowser() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    // Root in a container has no user namespaces for the sandbox.
    args: ['--no-sandbox', '--disable-dev-shm-usage'],
  });
}

// A page with the site loaded and the core ready. `picker` decides what the folder picker
// gives: 'opfs' hands out a folder of the origin-private file system (a real directory handle
// the test can read back), 'none' removes the picker so the page falls back to the ZIP.
export async function openPage(browser, origin, { picker = 'opfs', context: given } = {}) {
  const context = given || (await browser.newContext({ acceptDownloads: true, viewport: { width: 1000, height: 760 } }));
  if (picker === 'opfs') {
    await context.addInitScript(() => {
      window.showDirectoryPicker = async () => {
        const root = await navigator.storage.getDirectory();
        return root.getDirectoryHandle('base', { create: true });
      };
    });
  } else if (picker === 'none') {
    await context.addInitScript(() => {
      delete window.showDirectoryPicker;
      delete Window.prototype.showDirectoryPicker;
    });
  }
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(error.message));
  await page.goto(`${origin}/`);
  await page.waitForFunction(() => document.body.dataset.ready === 'yes' || document.body.dataset.ready === 'failed');
  if ((await page.evaluate(() => document.body.dataset.ready)) !== 'yes')
    throw new Error(`the page did not start: ${await page.textContent('#loadProblem')}`);
  return { context, page, problems };
}

// The files of a folder of the origin-private file system, as { name: Buffer }.
export async function readOpfsFolder(page, path) {
  const files = await page.evaluate(async (parts) => {
    let folder = await navigator.storage.getDirectory();
    for (const part of parts) folder = await folder.getDirectoryHandle(part);
    const out = {};
    for await (const [name, handle] of folder.entries()) {
      if (handle.kind !== 'file') continue;
      const bytes = new Uint8Array(await (await handle.getFile()).arrayBuffer());
      let text = '';
      for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
      out[name] = btoa(text);
    }
    return out;
  }, path.split('/'));
  return Object.fromEntries(Object.entries(files).map(([n, b64]) => [n, Buffer.from(b64, 'base64')]));
}

const run = promisify(execFile);

// The native automatic run over the same files: { name: Buffer } of the folder it made, and
// its standard error (the messages naming files it could not read).
export async function nativeShrink(files, { runs = 1 } = {}) {
  const base = mkdtempSync(join(tmpdir(), 'pictorel-native-'));
  let stderr = '';
  for (let i = 0; i < runs; ++i) {
    const args = ['shrink', '--folder', 'out', '--base', base, ...(i ? ['--into-existing'] : []), ...files];
    try {
      await run(cli, args);
    } catch (error) {
      stderr += error.stderr; // status 1 when a file could not be read
    }
  }
  const folder = join(base, 'out');
  const out = Object.fromEntries(readdirSync(folder).map((n) => [n, readFileSync(join(folder, n))]));
  rmSync(base, { recursive: true, force: true });
  return { files: out, stderr };
}

// The native editor's JPEG for `pictorel-cli edit IN OUT COMMANDS...`.
export async function nativeEdit(input, commands) {
  const dir = mkdtempSync(join(tmpdir(), 'pictorel-edit-'));
  const out = join(dir, `${basename(input).replace(/\.[^.]*$/, '')}.jpg`);
  await run(cli, ['edit', input, out, ...commands]);
  const bytes = readFileSync(out);
  rmSync(dir, { recursive: true, force: true });
  return bytes;
}

export async function screenshot(page, name) {
  mkdirSync(screenshots, { recursive: true });
  await page.screenshot({ path: join(screenshots, `${name}.png`) });
}

// Why a test cannot run here, or '' when it can.
export function missing({ corpus = true, core = true, native = true } = {}) {
  if (core && !haveCore) return `no core in ${site}/core (make web)`;
  if (corpus && !haveCorpus) return `no picture corpus in ${testdata}`;
  if (native && !haveCli) return `no native pictorel-cli at ${cli} (PICTOREL_CLI)`;
  return '';
}

// Registers the suite's server and browser, started once before its tests and closed after;
// `suite.skip` tells why the tests cannot run (or is false).
export function browserSuite(needs) {
  const suite = { skip: missing(needs) || false, server: null, browser: null };
  before(async () => {
    if (suite.skip) return;
    suite.server = await startServer();
    suite.browser = await launchBrowser();
  });
  after(async () => {
    await suite.browser?.close();
    await suite.server?.stop();
  });
  return suite;
}
