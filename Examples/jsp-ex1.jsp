<%@ page contentType="text/html; charset=UTF-8" import="java.util.*, java.time.LocalDate" %>
<%@ taglib prefix="c" uri="jakarta.tags.core" %>
<%-- A list of open tasks, rendered on the server. --%>
<%!
    // Declarations become members of the page's class.
    private static final int LIMIT = 0x10;

    private String badge(int days) {
        return days < 0 ? "late" : (days == 0 ? "today" : "in " + days + " days");
    }
%>
<%
    List<String> tasks = new ArrayList<>(List.of("Water the plants", "Pay the \"big\" bill"));
    request.setAttribute("tasks", tasks);
    int shown = Math.min(tasks.size(), LIMIT);
%>
<!DOCTYPE html>
<html lang="en">
<head><title>Tasks for <%= LocalDate.now() %></title></head>
<body class="${empty tasks ? 'empty' : 'full'}">
  <h1>Open tasks &amp; reminders (<%= shown %>)</h1>
  <ul>
    <c:forEach var="task" items="${tasks}" varStatus="s">
      <li data-index="${s.index + 1}">${fn:escapeXml(task)}</li>
    </c:forEach>
  </ul>
  <!-- a client-side note -->
  <p><%= badge(-1) %>, <%= 'x' %></p>
  <script>var count = <%= shown %>; if (count < 3) { console.log('few'); }</script>
</body>
</html>
