# IR page: codes from the remote while watching, and a watch that stray bytes end.
later 300 ir 0x12 0x0F
later 700 fault garbage 2
vx5h ir --watch --rate 20
vx5h ir
