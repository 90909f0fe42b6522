' cleanup.vbs - deletes old files from the temporary folder.
' Sample input for the VBScript definition (Windows Script Host).
Option Explicit

Const DAYS_TO_KEEP = 14
Const ForReading = 1, ForAppending = 8

Dim fso, folder, file, cutoff, removed, log
Set fso = CreateObject("Scripting.FileSystemObject")
cutoff = DateAdd("d", -DAYS_TO_KEEP, Now)
removed = 0

Set log = fso.OpenTextFile(fso.BuildPath(fso.GetSpecialFolder(2), "cleanup.log"), ForAppending, True)
log.WriteLine "Run at " & FormatDateTime(Now, vbGeneralDate) & " (cutoff " & cutoff & ")"

On Error Resume Next
Set folder = fso.GetFolder(WScript.ExpandEnvironmentStrings("%TEMP%"))
If Err.Number <> 0 Then
    WScript.Echo "Cannot open the folder: " & Err.Description
    WScript.Quit 1
End If
On Error GoTo 0

For Each file In folder.Files
    If file.DateLastModified < cutoff And LCase(fso.GetExtensionName(file.Name)) <> "lock" Then
        log.WriteLine vbTab & "removing """ & file.Name & """ (" & file.Size \ 1024 & " KB)"
        file.Delete True
        removed = removed + 1
    ElseIf file.Size > &H100000 Then
        log.WriteLine vbTab & "large file kept: " & file.Name
    End If
Next

Class Counter
    Private m_count
    Private Sub Class_Initialize() : m_count = 0 : End Sub
    Public Property Get Value() : Value = m_count : End Property
    Public Sub Add(ByVal n) : m_count = m_count + n : End Sub
End Class

log.Close
If removed = 0 Then WScript.Echo "Nothing to remove before " & #2000-01-01# Else WScript.Echo removed & " files removed."
