# VGA page: the patterns listed and set; one reply never comes.
vx5h vga
vx5h vga 3
ctl fault drop
vx5h vga 5
vx5h vga 9
