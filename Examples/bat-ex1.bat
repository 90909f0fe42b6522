@echo off
rem build.bat - builds the project and copies the output.
rem Sample input for the batch file definition.
setlocal EnableDelayedExpansion

set "ROOT=%~dp0"
set CONFIG=Release
if not "%~1"=="" set CONFIG=%~1

:: check the tools first
where cmake >nul 2>&1 || (
    echo CMake was not found on the PATH.& exit /b 1
)

set COUNT=0
for %%f in ("%ROOT%src\*.cpp") do (
    set /a COUNT+=1
    echo Compiling %%~nxf [!COUNT!]
)

cmake --build "%ROOT%build" --config %CONFIG% || goto :failed
if exist "%ROOT%build\%CONFIG%\app.exe" (
    copy /y "%ROOT%build\%CONFIG%\app.exe" "%ROOT%dist\" >nul
) else (
    echo Output missing ^& build incomplete
)
echo Built %COUNT% files on %DATE:~-4%-%DATE:~3,2% at 50%% load.
goto :eof

:failed
echo Build failed with error %ERRORLEVEL%.
exit /b %ERRORLEVEL%
