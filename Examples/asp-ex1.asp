<%@ Language="VBScript" CodePage=65001 %>
<% Option Explicit %>
<!-- #include file="inc/connection.asp" -->
<!-- #include virtual="/shared/format.inc" -->
<%
' Orders page: lists the orders of one customer, newest first.
Dim conn, rs, sql, customerId, pageTitle, rowCount
customerId = CLng("0" & Request.QueryString("customer"))
pageTitle = "Orders of customer #" & customerId
rowCount = 0

If customerId <= 0 Then
    Response.Redirect "customers.asp?error=" & Server.URLEncode("No customer given")
End If

Set conn = OpenConnection()
sql = "SELECT OrderID, OrderDate, Amount, Status FROM Orders " & _
      "WHERE CustomerID = " & customerId & " AND Status <> 'deleted' " & _
      "ORDER BY OrderDate DESC"
Set rs = conn.Execute(sql)
%>
<script runat="server" language="vbscript">
' Server-side helper: formats an amount with the currency sign.
Function FormatAmount(ByVal value)
    If IsNull(value) Then
        FormatAmount = "&ndash;"
    Else
        FormatAmount = FormatNumber(value, 2) & " &euro;"   ' two decimals
    End If
End Function

Function StatusClass(status)
    Select Case LCase(status)
        Case "paid":    StatusClass = "ok"
        Case "overdue": StatusClass = "late"
        Case Else:      StatusClass = ""
    End Select
End Function
</script>
<!DOCTYPE html>
<html lang="en">
<head>
	<meta charset="utf-8">
	<title><%= Server.HTMLEncode(pageTitle) %></title>
	<style type="text/css">
		/* Table layout */
		body { font-family: Verdana, sans-serif; margin: 0 2em; }
		table.orders { border-collapse: collapse; width: 100%; }
		table.orders td, table.orders th { padding: 4px 8px; border-bottom: 1px solid #ccc; }
		tr.late td { color: <%= Application("LateColour") %>; font-weight: bold !important; }
		@media print { .noprint { display: none } }
	</style>
	<script type="text/javascript">
		// Client code: confirms before an order is cancelled.
		var customerName = "<%= Replace(Session("CustomerName"), """", "\""") %>";
		var maxRows = <%= rowCount + 50 %>, pattern = /^\d+$/;
		function confirmCancel(id) {
			if (!pattern.test(String(id))) return false;
			return window.confirm(`Cancel order ${id} of ${customerName}?`);
		}
	</script>
</head>
<body onload="document.getElementById('search').focus();">
<!-- Page header; the date below is written by the server: <%= Date() %> -->
<h1 class="title" style="color: #336; margin-top: 0.5em">Orders &amp; invoices</h1>
<form method="get" action="orders.asp">
	<input type="hidden" name="customer" value="<%= customerId %>">
	<input id="search" type=text name=q size=30 placeholder='Search&hellip;' <% If Request("q") <> "" Then %>value="<%= Server.HTMLEncode(Request("q")) %>"<% End If %>>
	<button type="submit">Go &raquo;</button>
</form>
<table class="orders">
	<tr><th>Order</th><th>Date</th><th>Amount</th><th>&nbsp;</th></tr>
<% Do While Not rs.EOF
       rowCount = rowCount + 1 %>
	<tr class="<%= StatusClass(rs("Status")) %>">
		<td><a href="order.asp?id=<%= rs("OrderID") %>&amp;back=1"><%= rs("OrderID") %></a></td>
		<td><%= FormatDateTime(rs("OrderDate"), vbShortDate) %></td>
		<td align="right"><%= FormatAmount(rs("Amount")) %></td>
		<td><a href="#" onclick="return confirmCancel(<%= rs("OrderID") %>);">cancel</a></td>
	</tr>
<%     rs.MoveNext
   Loop
   rs.Close : Set rs = Nothing
   conn.Close : Set conn = Nothing %>
</table>
<p>Rows: <%= rowCount %> &mdash; 1 &lt; 2 &#8211; &#x263A; Grüße aus Zürich, 5 > 3 & so on.</p>
<script language="VBScript">
Sub Window_OnLoad()
    MsgBox "Loaded at " & Time, vbInformation, "Orders"
End Sub
</script>
</body>
</html>
