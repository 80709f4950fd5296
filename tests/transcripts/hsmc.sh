# HSMC page: the loopback test with two failing pairs, then one whose reply is garbled.
ctl hsmc fail 0x210 0
vx5h hsmc
ctl fault checksum
vx5h hsmc
ctl hsmc adapter
vx5h hsmc
