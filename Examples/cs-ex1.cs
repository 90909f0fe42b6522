// OrderService.cs - sample input for the C# definition.
using System;
using System.Collections.Generic;
using System.Linq;

#nullable enable
#region Orders
namespace Shop.Orders;

public sealed record Order(int Id, string Customer, decimal Amount, DateTime Date);

/// <summary>Computes totals for a customer's orders.</summary>
public class OrderService : IDisposable
{
    private const decimal TaxRate = 0.2m;
    private readonly List<Order> _orders = new();
    public int Count => _orders.Count;
    public string Name { get; init; } = "default";

    public async Task<decimal> TotalAsync(string customer, bool withTax = true)
    {
        await Task.Delay(10);
        var total = _orders.Where(o => o.Customer == customer && o.Amount > 0)
                           .Sum(o => o.Amount);
        return withTax ? total * (1 + TaxRate) : total;
    }

    public string Describe(Order o) =>
        $"Order {o.Id} of {o.Customer}: {o.Amount:C2} on {o.Date:yyyy-MM-dd} {{braces}}\t{(o.Amount > 100 ? "big" : "small")}";

    public string Path => @"C:\Shop\orders.csv with ""quotes""";
    public string Json => """
        { "name": "shop", "size": 3 }
        """;

    public void Dispose() { _orders.Clear(); char c = '\n'; long mask = 0xFF_FFL; }
}
#endregion
