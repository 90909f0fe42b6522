package org.example.shop;

import java.util.*;
import java.util.stream.Collectors;

/**
 * Order report: groups orders by customer and prints totals.
 * Sample input for the Java definition.
 */
@SuppressWarnings("unchecked")
public final class OrderReport implements Runnable {
    private static final int MAX_LINES = 1_000;
    private static final long MASK = 0xFFFF_0000L;
    private final Map<String, List<Order>> byCustomer = new HashMap<>();

    public record Order(String customer, double amount, char status) {}

    @Override
    public void run() {
        List<Order> orders = List.of(new Order("Ada", 12.5, 'P'), new Order("Bob", 3e2, '\''));
        for (Order o : orders) {
            byCustomer.computeIfAbsent(o.customer(), k -> new ArrayList<>()).add(o);
        }
        String text = """
            Report for %s
              lines: %d\t"quoted"
            """.formatted("today", orders.size());
        System.out.printf("%-10s %8.2f%n", "total", orders.stream().mapToDouble(Order::amount).sum());
        var names = byCustomer.keySet().stream().sorted().collect(Collectors.joining(", "));
        if (names.isEmpty() && MASK > 0) throw new IllegalStateException("no orders: " + text);
        int x = 10 / 2 / 5; // plain division
    }

    public static void main(String[] args) throws Exception {
        new OrderReport().run();
    }
}
