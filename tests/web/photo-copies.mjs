// Altered copies of real photos, saved as 24-bit BMP files the check before publishing reads.
// The native pictorel-cli decodes the source (`convert IN OUT.ppm`), so any corpus picture
// serves.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

// The source's pixels as the program decodes them: { width, height, pixels } (RGB rows).
function decode(cli, source) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'photo-copy-'));
  try {
    const ppm = path.join(dir, 'source.ppm');
    execFileSync(cli, ['convert', source, ppm], { stdio: 'pipe' });
    const bytes = fs.readFileSync(ppm);
    // "P6\n<w> <h>\n255\n" as the program writes it.
    const header = /^P6\s+(\d+)\s+(\d+)\s+255\s/.exec(bytes.subarray(0, 64).toString('latin1'));
    return { width: Number(header[1]), height: Number(header[2]), pixels: bytes.subarray(header[0].length) };
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

// A width x height BMP whose pixel (x, y) channel c (0 red, 1 green, 2 blue) is level(x, y, c).
function writeBmp(out, width, height, level) {
  const rowBytes = Math.ceil((width * 3) / 4) * 4;
  const bmp = Buffer.alloc(54 + rowBytes * height);
  bmp.write('BM', 0, 'latin1');
  bmp.writeUInt32LE(bmp.length, 2);
  bmp.writeUInt32LE(54, 10);
  bmp.writeUInt32LE(40, 14);
  bmp.writeInt32LE(width, 18);
  bmp.writeInt32LE(height, 22);
  bmp.writeUInt16LE(1, 26);
  bmp.writeUInt16LE(24, 28);
  bmp.writeUInt32LE(rowBytes * height, 34);
  for (let y = 0; y < height; ++y) {
    const row = 54 + (height - 1 - y) * rowBytes; // bottom-up
    for (let x = 0; x < width; ++x) {
      for (let c = 0; c < 3; ++c) bmp[row + x * 3 + c] = level(x, y, 2 - c); // stored BGR
    }
  }
  fs.writeFileSync(out, bmp);
}

// Darkened to 30 % of its levels: the check finds it too dark while its detail keeps it from
// counting as blurred.
export function makeDarkPhoto(cli, source, out) {
  const { width, height, pixels } = decode(cli, source);
  writeBmp(out, width, height, (x, y, c) => Math.floor((pixels[(y * width + x) * 3 + c] * 30) / 100));
}

// The content turned by `degrees` clockwise about the middle, enlarged just enough that no
// corner is left empty: the check tells it tilted.
export function makeTiltedPhoto(cli, source, out, degrees) {
  const { width, height, pixels } = decode(cli, source);
  const t = (degrees * Math.PI) / 180;
  const scale = Math.cos(Math.abs(t)) + (Math.max(width, height) / Math.min(width, height)) * Math.sin(Math.abs(t));
  const clamp = (v, top) => Math.min(Math.max(Math.floor(v), 0), top);
  writeBmp(out, width, height, (x, y, c) => {
    // Where the turned point came from.
    const px = (x + 0.5 - width / 2) / scale;
    const py = (y + 0.5 - height / 2) / scale;
    const sx = clamp(px * Math.cos(t) + py * Math.sin(t) + width / 2, width - 1);
    const sy = clamp(-px * Math.sin(t) + py * Math.cos(t) + height / 2, height - 1);
    return pixels[(sy * width + sx) * 3 + c];
  });
}
