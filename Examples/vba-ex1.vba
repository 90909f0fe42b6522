Attribute VB_Name = "modOrders"
' Tintext sample: VBA -- an Excel module that totals orders by region.
Option Explicit
Option Compare Text
Option Private Module

#If VBA7 Then
    Private Declare PtrSafe Function GetTickCount Lib "kernel32" () As Long
    Private Declare PtrSafe Sub Sleep Lib "kernel32" (ByVal dwMilliseconds As Long)
    Private Declare PtrSafe Function FindWindow Lib "user32" Alias "FindWindowA" _
        (ByVal lpClassName As String, ByVal lpWindowName As String) As LongPtr
#Else
    Private Declare Function GetTickCount Lib "kernel32" () As Long ' Office 2007 and older
#End If

#Const DEBUG_TOTALS = 1

Private Type RegionTotal
    Name As String * 20
    Orders As Long
    Amount As Currency
End Type

Public Enum OrderState
    osOpen = 1
    osShipped = &H2
    osCancelled = &O4
End Enum

Private Const FIRST_ROW As Long = 2
Private Const START_DATE As Date = #1/1/2024#
Private mHandle As LongPtr
Private mBig As LongLong

Public Sub TotalByRegion()
    Dim ws As Worksheet, lastRow As Long, r As Long
    Dim totals() As RegionTotal, n As Integer
    Dim started As Long: started = GetTickCount()
    On Error GoTo Failed

    Set ws = ThisWorkbook.Worksheets("Orders")
    lastRow = ws.Cells(ws.Rows.Count, 1).End(xlUp).Row
    Application.ScreenUpdating = False

    For r = FIRST_ROW To lastRow
        If ws.Cells(r, 3).Value >= START_DATE And ws.Cells(r, 4).Value <> osCancelled Then
            AddToTotal totals, n, CStr(ws.Cells(r, 2).Value), CCur(ws.Cells(r, 5).Value)
        End If
    Next r

    With ThisWorkbook.Worksheets("Summary")
        .Range("A1:C1").Value = Array("Region", "Orders", "Amount")
        For r = 1 To n
            .Cells(r + 1, 1).Value = Trim$(totals(r).Name)
            .Cells(r + 1, 2).Value = totals(r).Orders
            .Cells(r + 1, 3).Value = totals(r).Amount
        Next
    End With

#If DEBUG_TOTALS Then
    Debug.Print "It's done: "; n; " regions in "; GetTickCount() - started; " ms" ' timing
#End If
    SaveReport "C:\Reports\totals.txt", totals, n
Done:
    Application.ScreenUpdating = True
    Exit Sub
Failed:
    MsgBox "Totalling stopped: " & Err.Description & " (""" & Err.Source & """)", vbExclamation + vbOKOnly
    Resume Done
End Sub

Private Sub AddToTotal(totals() As RegionTotal, n As Integer, region As String, amount As Currency)
    Dim i As Integer
    For i = 1 To n
        If totals(i).Name = region Then Exit For
    Next i
    If i > n Then
        n = n + 1
        ReDim Preserve totals(1 To n)
        totals(n).Name = region
    End If
    totals(i).Orders = totals(i).Orders + 1
    totals(i).Amount = totals(i).Amount + amount
End Sub

Private Sub SaveReport(ByVal path As String, totals() As RegionTotal, ByVal n As Integer)
    Dim f As Integer, i As Integer
    f = FreeFile
    Open path For Output As #f
    For i = 1 To n
        Print #f, Trim$(totals(i).Name); vbTab; Format(totals(i).Amount, "0.00")
    Next i
    Close #f
End Sub

Public Property Get RowsUsed() As Long
    Rem the last filled row of the active sheet
    RowsUsed = ActiveSheet.UsedRange.Rows.Count
End Property
