# Seven-segment page: digits set; a reply to another command loses the link.
vx5h seg7 20260D09
ctl fault echo
vx5h seg7 12345678
vx5h seg7 0
