# Memory page as a user records it by default: the data of a load is left out of the
# transcript (its length and CRC-32 stay); on a slow cable one chunk of it comes back
# cut short three times in a row (a packet is sent again twice), and the load stops with
# the link lost.
head -c 300000 /dev/zero | tr '\0' '\132' >pattern.bin
ctl link 400000 0.5
later 300 fault truncate 3
vx5h mem load sdram pattern.bin
vx5h mem load sdram pattern.bin --length 100
