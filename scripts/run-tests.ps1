<#
Runs on Windows itself the tests that ctest runs under Wine, from the list
that `ctest --show-only=json-v1` wrote on Linux beside the very exes tested
there. Prints each test's output, and fails when any test fails, times out
or is of a kind that this script does not know how to run.

Usage: scripts/run-tests.ps1 -TestList build/x64/ctest-tests.json
The list's folder holds what the Linux build left in its build folder: the
exes, Tavrel.txt and the release zips.
#>
param(
    [Parameter(Mandatory = $true)][string]$TestList
)

Set-StrictMode -Version Latest
$ErrorActionPreference = 'Stop'

$source = Split-Path -Parent $PSScriptRoot
$build = Split-Path -Parent (Resolve-Path -LiteralPath $TestList).Path
$tests = @((Get-Content -Raw -LiteralPath $TestList | ConvertFrom-Json).tests)
if ($tests.Count -eq 0) { throw "$TestList lists no test: this architecture was built without its tests" }

# The list holds the Linux job's paths. Its build folder is the test exes'
# folder, which the presets put at <source>/build/<preset>.
$linuxExe = @($tests | ForEach-Object { $_.command } | Where-Object { $_ -like '/*.exe' })
if ($linuxExe.Count -eq 0) { throw "$TestList names no exe" }
$linuxBuild = $linuxExe[0].Substring(0, $linuxExe[0].LastIndexOf('/'))
$linuxSource = $linuxBuild.Substring(0, $linuxBuild.LastIndexOf('/build/'))

function Get-LocalPath([string]$path) {
    if ($path.StartsWith("$linuxBuild/")) { return Join-Path $build ($path.Substring($linuxBuild.Length + 1).Replace('/', '\')) }
    if ($path.StartsWith("$linuxSource/")) { return Join-Path $source ($path.Substring($linuxSource.Length + 1).Replace('/', '\')) }
    return $path
}

function Get-TestProperty($test, [string]$name) {
    if (-not $test.PSObject.Properties['properties']) { return $null }
    $found = @($test.properties | Where-Object { $_.name -eq $name })
    if ($found.Count -eq 0) { return $null }
    return $found[0].value
}

# Not run here, each for its reason. Any other test that is neither an exe
# nor a shell script fails the run instead of being left out unnoticed.
$notHere = @{
    # objdump is not on Windows: the Linux job checks the headers of these
    # very exes before it hands them over.
    exe_imports   = 'the Linux job checked the headers of this very Tavrel.exe'
    # There is no build tree here: the zips were made by the Linux job and
    # came with the exes.
    package_built = 'the release zips came from the Linux job with the exes'
}

# Git for Windows' bash runs the shell scripts: package_unpack.sh needs sh,
# unzip and cygpath, and Git for Windows brings all three.
function Get-GitBash {
    $git = (Get-Command git.exe).Source
    $bash = Join-Path (Split-Path -Parent (Split-Path -Parent $git)) 'bin\bash.exe'
    if (-not (Test-Path -LiteralPath $bash)) { throw "no bash.exe beside $git" }
    return $bash
}

# Runs one test as ctest would, in its working folder, with its environment
# and its time limit; prints its output and returns its result.
function Invoke-Test($test) {
    $command = @($test.command)
    if ($command[0] -like '*/wine-run.sh') {
        # ctest starts the exe through Wine; here it runs by itself.
        $program = Get-LocalPath $command[1]
        $arguments = @($command | Select-Object -Skip 2)
    } elseif ($command[0] -like '*/sh') {
        # The last argument of a script is Wine's runner, which is absent on
        # Windows itself.
        $program = Get-GitBash
        $arguments = @($command | Select-Object -Skip 1 | Where-Object { $_ -notlike '*/wine-run.sh' } |
            ForEach-Object { (Get-LocalPath $_).Replace('\', '/') })
    } else {
        return "not runnable here: $($command -join ' ')"
    }
    $directory = Get-TestProperty $test 'WORKING_DIRECTORY'
    $folder = if ($directory) { Get-LocalPath $directory } else { $build }
    New-Item -ItemType Directory -Force -Path $folder | Out-Null
    $seconds = Get-TestProperty $test 'TIMEOUT'
    if (-not $seconds) { $seconds = 1500 }  # ctest's own default
    $output = New-TemporaryFile
    $errors = New-TemporaryFile
    $start = @{
        FilePath               = $program
        WorkingDirectory       = $folder
        NoNewWindow            = $true
        PassThru               = $true
        RedirectStandardOutput = $output.FullName
        RedirectStandardError  = $errors.FullName
    }
    if ($arguments.Count -gt 0) {
        $start.ArgumentList = @($arguments | ForEach-Object { if ($_ -match '[\s"]') { '"' + $_ + '"' } else { $_ } })
    }
    Write-Host "=== $($test.name): $program $($arguments -join ' ')"
    $saved = @{}
    foreach ($pair in @(Get-TestProperty $test 'ENVIRONMENT')) {
        if (-not $pair) { continue }
        $name, $value = $pair -split '=', 2
        $saved[$name] = [Environment]::GetEnvironmentVariable($name)
        [Environment]::SetEnvironmentVariable($name, $value)
    }
    try {
        $process = Start-Process @start
        # Without a look at the handle, the exit code is lost once the process ends.
        $null = $process.Handle
        if ($process.WaitForExit([int]$seconds * 1000)) {
            $code = $process.ExitCode
            $result = if ($code -eq 0) { 'passed' } else { 'exit code 0x{0:X8}' -f $code }
        } else {
            $process.Kill($true)
            $process.WaitForExit()
            $result = "timed out after $seconds s"
        }
    } finally {
        foreach ($name in $saved.Keys) { [Environment]::SetEnvironmentVariable($name, $saved[$name]) }
    }
    Get-Content -LiteralPath $output.FullName, $errors.FullName | ForEach-Object { Write-Host $_ }
    Remove-Item -LiteralPath $output.FullName, $errors.FullName
    return $result
}

$passed = 0
$failed = @()
$skipped = 0
foreach ($test in $tests) {
    if ($notHere.ContainsKey($test.name)) {
        Write-Host "=== $($test.name): not run on Windows: $($notHere[$test.name])"
        $skipped += 1
        continue
    }
    $began = Get-Date
    # A test that cannot even be started (no bash, an exe that Windows
    # refuses) counts as failed; the others still run and the summary is
    # still printed.
    try {
        $result = Invoke-Test $test
    } catch {
        $result = "could not be run: $($_.Exception.Message)"
    }
    Write-Host ("=== {0}: {1} ({2:N1} s)" -f $test.name, $result, ((Get-Date) - $began).TotalSeconds)
    if ($result -eq 'passed') { $passed += 1 } else { $failed += "$($test.name): $result" }
}
foreach ($failure in $failed) { Write-Host "failed: $failure" }
Write-Host "windows: $passed passed, $($failed.Count) failed, $skipped skipped"
if ($failed.Count -gt 0) { exit 1 }
