<#
.SYNOPSIS
    Reports the largest files below a folder.
    Sample input for the PowerShell definition.
#>
[CmdletBinding()]
param(
    [Parameter(Mandatory = $true)][string] $Path,
    [int] $Top = 10,
    [switch] $IncludeHidden
)

$ErrorActionPreference = 'Stop'
$limit = 100MB
$started = Get-Date

function Format-Size([long] $bytes) {
    if ($bytes -ge 1GB) { return "{0:N1} GB" -f ($bytes / 1GB) }
    elseif ($bytes -ge 1MB) { return "{0:N1} MB" -f ($bytes / 1MB) }
    return "$bytes bytes"
}

try {
    $files = Get-ChildItem -Path $Path -Recurse -File -Force:$IncludeHidden |
        Where-Object { $_.Length -gt 0 -and $_.Extension -notin @('.tmp', '.bak') } |
        Sort-Object -Property Length -Descending |
        Select-Object -First $Top
} catch [System.IO.DirectoryNotFoundException] {
    Write-Error "Folder '$Path' not found: $($_.Exception.Message)"
    exit 1
}

foreach ($f in $files) {
    $flag = if ($f.Length -gt $limit) { '*' } else { ' ' }
    Write-Host ("{0} {1,10} {2}" -f $flag, (Format-Size $f.Length), $f.FullName)
}

$report = @"
Report for $Path on $env:COMPUTERNAME
Took: $((Get-Date) - $started) `t(done)
"@
$report | Out-File -FilePath (Join-Path $env:TEMP 'report.txt') -Encoding utf8
Write-Output 'It''s done.'
