# Switches and pushbuttons page: stray bytes before a reply at the connect, the words as
# set, and a watch that a bad checksum ends.
ctl set switches 0x2A5
ctl set keys 0x5
ctl fault garbage 5
vx5h switches
vx5h keys
later 400 fault checksum
vx5h switches --watch --rate 20
