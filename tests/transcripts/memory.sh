# Memory page: words written and read back with the memory contents kept whole, a reply
# one byte too long on the way, and a load verified against its file.
export VX5H_TRACE_DATA=1
head -c 8192 /dev/zero | tr '\0' '\245' >pattern.bin
vx5h mem write sdram 100 1234 ABCD 5A5A
vx5h mem read sdram 100 3
ctl fault length
vx5h mem read sdram 100 3
vx5h mem load ssram-0 pattern.bin --verify
vx5h mem verify ssram-0 pattern.bin
