@echo off
rem Removes the Send To entries and the key of the Tavrel.exe beside this file.
rem Opened from inside the zip, Explorer extracts only this file into a
rem temporary folder, without the exe.
if exist "%~dp0Tavrel.exe" goto run
echo Extract the zip first, then double-click this file in the extracted folder.
pause
exit /b 1
:run
rem start returns at once, so that no console waits behind the message box.
start "" "%~dp0Tavrel.exe" /#i-
