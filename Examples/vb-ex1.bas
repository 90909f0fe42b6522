Attribute VB_Name = "modOrders"
' Order helpers: totals, formatting and a small report.
' Written as a sample input for the Visual Basic definition.
Option Explicit

#Const DEBUG_BUILD = 1

Private Const TAX_RATE As Double = 0.2
Private Const MASK_LOW = &HFF&, PERMS = &O755
Public Const LAUNCH_DATE = #1/31/2024#
Private Declare Function GetTickCount Lib "kernel32" () As Long

Private Type OrderLine
    ProductID As Long
    Quantity As Integer
    Price As Currency
End Type

Public Function OrderTotal(lines() As OrderLine, Optional ByVal withTax As Boolean = True) As Currency
    Dim i As Long, total As Currency
    On Error GoTo ErrHandler
    For i = LBound(lines) To UBound(lines)
        total = total + lines(i).Quantity * lines(i).Price
    Next i
    If withTax Then total = total * (1 + TAX_RATE)
    OrderTotal = Round(total, 2)
    Exit Function
ErrHandler:
    Debug.Print "OrderTotal failed: " & Err.Description
    Resume Next
End Function

Rem Builds a one-line summary; quotes are doubled inside strings.
Public Sub Summary(ByVal customer As String, ByVal amount As Currency)
    Dim text$, started As Date
    started = Now
    text$ = "Customer """ & Trim$(customer) & """ owes " _
          & FormatCurrency(amount) & " since " & FormatDateTime(#2024-01-15 09:30#, vbShortDate)
    If Len(text$) > 80 And Not IsNull(customer) Then text$ = Left$(text$, 77) & "..."
#If DEBUG_BUILD Then
    MsgBox text$, vbInformation + vbOKOnly, "Summary"
#End If
    Select Case amount
        Case Is < 0: Debug.Print "credit"
        Case 0 To 1E3: Debug.Print "small"
        Case Else: Debug.Print "large"
    End Select
    Set rs = Nothing: rs.Type = 1: obj.End
End Sub

' Non-ASCII survives: Größe, café, 東京
