' Tintext sample: Visual Basic .NET -- a small stock ledger.
Option Strict On
Option Infer On

Imports System.Collections.Generic
Imports System.Threading.Tasks

#Const TRACE_LEDGER = True

Namespace Tintext.Samples

    ''' <summary>One line of the ledger: what moved, when, and how many.</summary>
    ''' <remarks>Quantities are whole units; prices are in cents.</remarks>
    <Serializable>
    Public Structure Movement
        Public Item As String
        Public Quantity As Integer
        Public PriceCents As Long
        Public Booked As Date
    End Structure

    Public Interface ILedger
        Function Balance(item As String) As Integer
        Event Changed As EventHandler
    End Interface

    Public NotInheritable Class Ledger
        Inherits Object
        Implements ILedger

        Private ReadOnly _moves As New List(Of Movement)
        Private Shared ReadOnly Opened As Date = #1/1/2020#
        Private Const MaskLow As Integer = &HFF
        Private Const Flags As Integer = &B1010_0001
        Private Const Limit As Long = 1_000_000L
        Private ratio As Double = 0.75R
        Private count% = 0
        Private title$ = "Stock"

        Public Event Changed As EventHandler Implements ILedger.Changed

        Public Sub Add(item As String, quantity As Integer, Optional priceCents As Long = 0)
            If String.IsNullOrEmpty(item) OrElse quantity = 0 Then
                Throw New ArgumentException("an item's name and a quantity, please") ' say which
            End If
            _moves.Add(New Movement With {.Item = item, .Quantity = quantity,
                                          .PriceCents = priceCents, .Booked = Date.Now})
            count += 1
            RaiseEvent Changed(Me, EventArgs.Empty)
        End Sub

        Public Function Balance(item As String) As Integer Implements ILedger.Balance
            Dim total = 0
            For Each m In _moves
                If m.Item = item AndAlso m.Booked >= Opened Then total += m.Quantity
            Next
            Return total
        End Function

        Public ReadOnly Property Summary As String
            Get
                Dim quote As Char = """"c
                Return $"{title}: {count} moves, {{braces}}, value {Value() / 100.0:N2} ""{quote}"""
            End Get
        End Property

        Private Function Value() As Long
            Return Aggregate m In _moves Into Sum(m.PriceCents * m.Quantity)
        End Function

        Public Async Function SaveAsync(path As String) As Task(Of Boolean)
            Using writer As New IO.StreamWriter(path)
                Try
                    For Each m As Movement In _moves
                        Await writer.WriteLineAsync(String.Join(",", m.Item, CStr(m.Quantity)))
                    Next
                Catch ex As IO.IOException When ex.HResult <> 0
                    Return False
                Finally
                    writer.Flush()
                End Try
            End Using
            Return True
        End Function

#Region "Reports"
        Public Function Heavy(Of T As {Class, New})(items As IEnumerable(Of T)) As Integer
            REM an old-style comment still works
            Dim big = From m In _moves Where m.Quantity > 100 Select m.Item
            Dim longText = "first line
second line"
            Dim check = If(TypeOf items Is ICollection(Of T), 1, 0) _
                        + big.Count() ' a continued line
#If TRACE_LEDGER Then
            Console.WriteLine("Heavy: " & big.Count().ToString()) ' traced
#End If
            Return check
        End Function
#End Region

    End Class

End Namespace
