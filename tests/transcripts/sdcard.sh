# SD card page: the card's registers; refused without a card; a reply cut short.
vx5h sd
ctl sdcard remove
vx5h sd
ctl sdcard insert
ctl fault length
vx5h sd
