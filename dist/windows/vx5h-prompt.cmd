@echo off
rem A command prompt with vx5h on its PATH: the Start menu's "vx5h command prompt", or
rem this file opened from the program folder.
title vx5h
set "PATH=%~dp0;%PATH%"
cd /d "%USERPROFILE%"
echo vx5h @PROJECT_VERSION@ (@VX5H_WINDOWS_BITS@-bit) from %~dp0
echo "vx5h --help" lists its commands, "vx5h doctor" checks the way to a board.
cmd /k
