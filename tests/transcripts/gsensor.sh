# G-sensor page: a tilted board, a reply stalled within its budget, and a watch that a
# reply to another command ends.
ctl set gsensor 4096 -2048 15000
vx5h gsensor
later 300 fault stall 400
later 900 fault echo
vx5h gsensor --watch --rate 20
