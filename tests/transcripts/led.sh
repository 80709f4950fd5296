# LED page: lights set; a reply with a bad checksum loses the link; lit again after.
vx5h led 5
ctl fault checksum
vx5h led 7FFFFFF
vx5h led 2AAAAAA
