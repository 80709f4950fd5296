# LCD page: two lines written; the board refuses one write.
vx5h lcd "Hello" "VX5h-260"
ctl fault refuse
vx5h lcd "refused"
vx5h lcd "again" "and again"
