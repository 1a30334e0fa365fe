#!/usr/bin/env python3
"""Tiny 8 x 8 pictures carrying a valid colour profile padded to SIZE bytes.

    profile_files.py SIZE FOLDER SOURCE.heic

The Display P3 profile of SOURCE (a HEIC file with a `colr` profile) gets
zero bytes after its tags and its header size set to SIZE; it goes into
big.tif, big.psd (written here), big.webp and big.avif (cwebp, webpmux,
avifenc). Standard library only.
"""
import struct, sys, zlib, subprocess
size = int(sys.argv[1])
out = sys.argv[2]
heic = open(sys.argv[3], 'rb').read()
at = heic.index(b'colrprof') + 8
n = struct.unpack('>I', heic[at:at+4])[0]
icc = bytearray(heic[at:at+n]) + bytes(size - n)
icc[0:4] = struct.pack('>I', size)
open(out+'/big.icc','wb').write(icc)
w=h=8
pix = bytes((x*30+y*3)%256 for y in range(h) for x in range(w) for c in range(3))
# TIFF, little endian, one strip, ICC last
entries=[(256,3,1,w),(257,3,1,h),(258,3,1,8),(259,3,1,1),(262,3,1,2),(273,4,1,0),(277,3,1,3),(278,3,1,h),(279,4,1,len(pix)),(34675,7,size,0)]
ifd=8; pixat=ifd+2+12*len(entries)+4+6; iccat=pixat+len(pix)
b=bytearray(b'II*\0'+struct.pack('<I',ifd)+struct.pack('<H',len(entries)))
for t,ty,c,v in entries:
    if t==273: v=pixat
    if t==34675: v=iccat
    b+=struct.pack('<HHI',t,ty,c)+(struct.pack('<HH',v,0) if ty==3 else struct.pack('<I',v))
b+=struct.pack('<I',0)+struct.pack('<HHH',8,8,8)
assert len(b)==pixat
open(out+'/big.tif','wb').write(bytes(b)+pix+bytes(icc))
# PSD
res=b'8BIM'+struct.pack('>H',1039)+b'\0\0'+struct.pack('>I',size)+bytes(icc)+(b'\0' if size&1 else b'')
psd=b'8BPS'+struct.pack('>H',1)+bytes(6)+struct.pack('>HIIHH',3,h,w,8,3)+struct.pack('>I',0)+struct.pack('>I',len(res))+res+struct.pack('>I',0)+struct.pack('>H',0)+bytes(pix[c::3][i] for c in range(3) for i in range(w*h))
open(out+'/big.psd','wb').write(psd)
# PNG source for the encoders
def chunk(t,d): return struct.pack('>I',len(d))+t+d+struct.pack('>I',zlib.crc32(t+d))
rows=b''.join(b'\0'+pix[y*w*3:(y+1)*w*3] for y in range(h))
open(out+'/small.png','wb').write(b'\x89PNG\r\n\x1a\n'+chunk(b'IHDR',struct.pack('>IIBBBBB',w,h,8,2,0,0,0))+chunk(b'IDAT',zlib.compress(rows))+chunk(b'IEND',b''))
subprocess.run(f'cd {out} && cwebp -quiet -lossless small.png -o small.webp && webpmux -set icc big.icc small.webp -o big.webp && avifenc -l --icc big.icc small.png big.avif >/dev/null', shell=True, check=True)
