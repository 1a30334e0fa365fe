// Benchmark of the page in headless chromium against the native pictorel-cli:
//   - 20 photos of 24 MP through the automatic run, from the button to the results list, with
//     the page's worker count; native `shrink --jobs N` with the same N; rounds alternate;
//   - peak resident memory of all the browser's processes during the page's run, and the
//     processor time the browser spent, by part (core workers, page thread, V8's background
//     threads, browser process...): on a busy machine the seconds vary, the parts less;
//   - the edited run: the first photo shown after the button, and the next photo after 保存.
// Usage: node web/tests/bench.mjs   (BENCH_PHOTOS=DIR keeps the photos, BENCH_ROUNDS=3)
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { performance } from 'node:perf_hooks';
import { startServer, launchBrowser, openPage, cli, missing } from './harness.mjs';

const WIDTH = 6000;
const HEIGHT = 4000;
const COUNT = 20;
const rounds = Number(process.env.BENCH_ROUNDS || 3);

// Photos with smooth gradients and fine noise, so decoding costs what a camera photo costs.
function makePhotos(folder) {
  mkdirSync(folder, { recursive: true });
  const photos = Array.from({ length: COUNT }, (_, i) => join(folder, `photo_${100 + i}.jpg`));
  const missingPhotos = photos.filter((p) => !existsSync(p));
  if (!missingPhotos.length) return photos;
  const header = Buffer.from(`P6\n${WIDTH} ${HEIGHT}\n255\n`);
  const pixels = Buffer.alloc(WIDTH * HEIGHT * 3);
  let seed = 12345;
  for (const [n, path] of missingPhotos.entries()) {
    for (let y = 0, o = 0; y < HEIGHT; ++y) {
      for (let x = 0; x < WIDTH; ++x) {
        seed = (seed * 1103515245 + 12345 + n) >>> 0;
        const noise = (seed >>> 24) & 15;
        pixels[o++] = ((x * 255) / WIDTH + noise) & 255;
        pixels[o++] = ((y * 255) / HEIGHT + noise) & 255;
        pixels[o++] = (((x + y) * 128) / WIDTH + noise * 2) & 255;
      }
    }
    const ppm = join(folder, 'source.ppm');
    writeFileSync(ppm, Buffer.concat([header, pixels]));
    execFileSync('cjpeg', ['-quality', '90', '-outfile', path, ppm]);
    rmSync(ppm);
  }
  return photos;
}

function nativeRun(photos, jobs) {
  const base = mkdtempSync(join(tmpdir(), 'pictorel-bench-'));
  const start = performance.now();
  execFileSync(cli, ['shrink', '--jobs', String(jobs), '--folder', 'out', '--base', base, ...photos]);
  const seconds = (performance.now() - start) / 1000;
  rmSync(base, { recursive: true, force: true });
  return seconds;
}

// The chromium processes below this one (the driver starts the browser as a child of this
// node process); other browsers on the machine are not counted.
function browserProcesses(rootPid = process.pid) {
  const children = new Map();
  for (const pid of readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      const stat = readFileSync(`/proc/${pid}/stat`, 'utf8');
      const parent = Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]);
      if (!children.has(parent)) children.set(parent, []);
      children.get(parent).push(pid);
    } catch {
      // The process ended while the table was read.
    }
  }
  const found = [];
  const walk = (pid) => {
    for (const child of children.get(pid) || []) {
      try {
        if (/^chrom/.test(readFileSync(`/proc/${child}/comm`, 'utf8'))) found.push(child);
      } catch {
        // The process ended while the table was read.
      }
      walk(Number(child));
    }
  };
  walk(rootPid);
  return found;
}

// Resident memory of the browser's processes, in MiB.
function browserRss() {
  let total = 0;
  for (const pid of browserProcesses()) {
    try {
      const rss = /VmRSS:\s+(\d+)/.exec(readFileSync(`/proc/${pid}/status`, 'utf8'));
      if (rss) total += Number(rss[1]);
    } catch {
      // The process ended while it was read.
    }
  }
  return total / 1024;
}

// Processor seconds (user + system) of every chromium thread, keyed by process/thread, with
// the part of the browser it belongs to: the page's thread, the core workers, V8's background
// threads (optimising compiler, garbage collector), the rest of the page's process, or another
// chromium process (the browser process reading and writing files, the GPU process).
function browserCpu() {
  const times = new Map();
  const field = (stat, index) => Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[index]);
  for (const pid of browserProcesses()) {
    try {
      const command = readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      const renderer = command.includes('--type=renderer');
      for (const tid of readdirSync(`/proc/${pid}/task`)) {
        const stat = readFileSync(`/proc/${pid}/task/${tid}/stat`, 'utf8');
        const thread = stat.slice(stat.indexOf('(') + 1, stat.lastIndexOf(')'));
        let part = 'other processes';
        if (renderer) {
          if (thread.startsWith('DedicatedWorker')) part = 'workers';
          else if (thread.startsWith('ThreadPool')) part = 'V8 background';
          else if (tid === pid) part = 'page thread';
          else part = 'page process other';
        } else if (!command.includes('--type=')) part = 'browser process';
        times.set(`${pid}/${tid}`, { part, seconds: (field(stat, 11) + field(stat, 12)) / 100 });
      }
    } catch {
      // The process or thread ended while the table was read.
    }
  }
  return times;
}

function cpuSince(before) {
  const parts = {};
  for (const [key, { part, seconds }] of browserCpu()) {
    parts[part] = (parts[part] || 0) + seconds - (before.get(key)?.seconds || 0);
  }
  return parts;
}

const describeCpu = (parts) =>
  Object.entries(parts)
    .sort((a, b) => b[1] - a[1])
    .map(([part, seconds]) => `${part} ${seconds.toFixed(2)}`)
    .join(', ');

async function pageRun(browser, origin, photos, jobs, round) {
  const { context, page } = await openPage(browser, origin);
  await page.goto(`${origin}/?jobs=${jobs}`);
  await page.waitForFunction(() => document.body.dataset.ready === 'yes');
  await page.setInputFiles('#pictureInput', photos);
  await page.fill('#folderNameField', `bench${round}`);
  let peak = 0;
  const sampler = setInterval(() => (peak = Math.max(peak, browserRss())), 100);
  const cpuBefore = browserCpu();
  const start = performance.now();
  await page.click('#automaticRunButton');
  await page.waitForSelector('#resultsScreen:not([hidden])', { timeout: 600000 });
  const seconds = (performance.now() - start) / 1000;
  const cpu = cpuSince(cpuBefore);
  clearInterval(sampler);
  const written = await page.$$eval('#resultsBody td.size', (cells) => cells.length);
  await context.close();
  if (written !== photos.length) throw new Error(`the page wrote ${written} of ${photos.length} photos`);
  return { seconds, peak, cpu };
}

async function editorTimes(browser, origin, photos) {
  const { context, page } = await openPage(browser, origin);
  await page.setInputFiles('#pictureInput', photos.slice(0, 3));
  await page.fill('#folderNameField', 'bench-editor');
  const clicked = await page.evaluate(() => performance.now());
  await page.click('#editedRunButton');
  await page.waitForFunction(() => performance.getEntriesByName('pictorel-editor-shown-0').length);
  await page.waitForTimeout(1500); // the user looks at the picture; the next one loads meanwhile
  await page.click('#saveButton');
  await page.waitForFunction(() => performance.getEntriesByName('pictorel-editor-shown-1').length);
  const marks = await page.evaluate(() => ({
    shown0: performance.getEntriesByName('pictorel-editor-shown-0')[0].startTime,
    ended0: performance.getEntriesByName('pictorel-editor-ended-0')[0].startTime,
    shown1: performance.getEntriesByName('pictorel-editor-shown-1')[0].startTime,
  }));
  await page.click('#stopAllButton');
  await context.close();
  return { first: marks.shown0 - clicked, next: marks.shown1 - marks.ended0 };
}

const why = missing({ corpus: false });
if (why) {
  console.log(`bench-web-page: skipped: ${why}`);
  process.exit(0);
}
const keep = process.env.BENCH_PHOTOS;
const folder = keep ? join(keep, '24mp') : mkdtempSync(join(tmpdir(), 'pictorel-photos-'));
const photos = makePhotos(folder);
const server = await startServer();
const browser = await launchBrowser();
try {
  const probe = await openPage(browser, server.origin);
  const jobs = await probe.page.evaluate(async () => (await import('./js/core-client.js')).workerCount());
  await probe.context.close();
  console.log(`20 photos of ${WIDTH} x ${HEIGHT}, ${jobs} job(s), ${rounds} round(s), load average ${readFileSync('/proc/loadavg', 'utf8').split(' ').slice(0, 3).join(' ')}`);
  const native = [];
  const web = [];
  for (let round = 0; round < rounds; ++round) {
    native.push(nativeRun(photos, jobs));
    web.push(await pageRun(browser, server.origin, photos, jobs, round));
    const { seconds, peak, cpu } = web.at(-1);
    const total = Object.values(cpu).reduce((sum, part) => sum + part, 0);
    console.log(`round ${round + 1}: native ${native.at(-1).toFixed(2)} s, page ${seconds.toFixed(2)} s, browser peak ${peak.toFixed(0)} MiB, load average ${readFileSync('/proc/loadavg', 'utf8').split(' ')[0]}`);
    console.log(`  browser processor time ${total.toFixed(2)} s: ${describeCpu(cpu)}`);
  }
  const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
  const n = median(native);
  const w = median(web.map((r) => r.seconds));
  console.log(`median: native ${n.toFixed(2)} s, page ${w.toFixed(2)} s, ratio ${(w / n).toFixed(2)} (target <= 2.5); browser peak ${Math.max(...web.map((r) => r.peak)).toFixed(0)} MiB`);
  const editor = await editorTimes(browser, server.origin, photos);
  console.log(`editor: first photo shown ${editor.first.toFixed(0)} ms after the button (target <= 1000), next photo ${editor.next.toFixed(0)} ms after 保存 (target <= 150)`);
} finally {
  await browser.close();
  await server.stop();
  if (!keep) rmSync(folder, { recursive: true, force: true });
}
