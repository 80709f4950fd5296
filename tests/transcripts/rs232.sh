# RS232 page: text sent and received through a loopback plug; a watch that a bad
# checksum ends.
ctl rs232-loopback on
vx5h rs232 send "hello"
later 300 rs232 from the far end
later 700 fault checksum
vx5h rs232 receive --watch --rate 20
