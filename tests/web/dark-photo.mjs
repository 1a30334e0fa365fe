// A real photo darkened to 30 % of its levels, saved as a 24-bit BMP: the check before
// publishing finds it too dark while its detail keeps it from counting as blurred. The native
// pictorel-cli decodes the source (`convert IN OUT.ppm`), so any corpus picture serves.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

export function makeDarkPhoto(cli, source, out) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'dark-photo-'));
  try {
    const ppm = path.join(dir, 'source.ppm');
    execFileSync(cli, ['convert', source, ppm], { stdio: 'pipe' });
    const bytes = fs.readFileSync(ppm);
    // "P6\n<w> <h>\n255\n" as the program writes it.
    const header = /^P6\s+(\d+)\s+(\d+)\s+255\s/.exec(bytes.subarray(0, 64).toString('latin1'));
    const [width, height] = [Number(header[1]), Number(header[2])];
    const pixels = bytes.subarray(header[0].length);
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
        const at = (y * width + x) * 3;
        for (let c = 0; c < 3; ++c) bmp[row + x * 3 + c] = Math.floor((pixels[at + 2 - c] * 30) / 100);
      }
    }
    fs.writeFileSync(out, bmp);
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}
