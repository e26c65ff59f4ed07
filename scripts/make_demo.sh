#!/usr/bin/env bash
# Makes the demo volumes under $1: a FAT32 and an NTFS volume with live and deleted files.
set -euo pipefail
out=${1:?usage: make_demo.sh OUTDIR}
mkdir -p "$out"
cd "$out"
export MTOOLS_SKIP_CHECK=1 PATH="$PATH:/usr/sbin:/sbin"
rm -f demo_fat32.img demo_ntfs.img

mkfs.fat -C -F 32 -s 1 -n DEMO demo_fat32.img 66000 > /dev/null
printf 'Quarterly report\n%.0s' $(seq 200) > report.txt
head -c 20000 /dev/urandom > photo.jpg
printf 'draft notes\n' > notes.txt
mmd -i demo_fat32.img ::/Documents ::/Pictures ::/Old
mcopy -i demo_fat32.img report.txt ::/Documents/report.txt
mcopy -i demo_fat32.img notes.txt ::/Documents/notes.txt
mcopy -i demo_fat32.img photo.jpg ::/Pictures/photo.jpg
mcopy -i demo_fat32.img notes.txt ::/Old/old_notes.txt
mdel -i demo_fat32.img ::/Documents/notes.txt
mdeltree -i demo_fat32.img ::/Old

truncate -s 32M demo_ntfs.img
mkntfs -F -Q -L DEMO demo_ntfs.img > /dev/null 2>&1
mnt=$(mktemp -d)
if [ -e /dev/fuse ] && ntfs-3g demo_ntfs.img "$mnt" 2>/dev/null; then
  mkdir "$mnt/Documents" "$mnt/Pictures" "$mnt/Old"
  cp report.txt notes.txt "$mnt/Documents/"
  cp photo.jpg "$mnt/Pictures/"
  cp notes.txt "$mnt/Old/old_notes.txt"
  sync
  rm "$mnt/Documents/notes.txt"
  rm -r "$mnt/Old"
  umount "$mnt"
else
  # Without a FUSE mount only ntfscp can write: live files, nothing deleted.
  ntfscp demo_ntfs.img report.txt report.txt > /dev/null
  ntfscp demo_ntfs.img photo.jpg photo.jpg > /dev/null
fi
rmdir "$mnt"
rm -f report.txt photo.jpg notes.txt
