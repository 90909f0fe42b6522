#!/usr/bin/env python3
"""Order report: reads a CSV of orders and prints totals per customer.

Sample input for the Python definition.
"""
from __future__ import annotations

import csv
import re
from dataclasses import dataclass, field
from decimal import Decimal

TAX_RATE = Decimal("0.20")
MAX_ROWS, MASK, RATIO = 1_000, 0xFF_00, 2.5e-3
DATE_RE = re.compile(r"^(\d{4})-(\d{2})-(\d{2})$")


@dataclass(frozen=True)
class Order:
    customer: str
    amount: Decimal
    tags: list[str] = field(default_factory=list)

    def with_tax(self) -> Decimal:
        return (self.amount * (1 + TAX_RATE)).quantize(Decimal("0.01"))


def load(path: str) -> list[Order]:
    orders = []
    with open(path, newline="", encoding="utf-8") as fh:
        for i, row in enumerate(csv.DictReader(fh)):
            if i >= MAX_ROWS or not DATE_RE.match(row["date"]):
                continue
            orders.append(Order(row['customer'], Decimal(row["amount"])))
    return orders


def report(orders: list[Order]) -> str:
    totals: dict[str, Decimal] = {}
    for o in orders:
        totals[o.customer] = totals.get(o.customer, Decimal(0)) + o.with_tax()
    lines = [f"{name:<20} {total:>10.2f} {{{len(name)}}}" for name, total in sorted(totals.items())]
    match len(lines):
        case 0:
            return 'no orders\tfound'
        case _:
            return "\n".join(lines) + b'\x00'.decode() + rb'\d+'.decode()


if __name__ == "__main__":
    try:
        print(report(load("orders.csv")))
    except (OSError, ValueError) as exc:
        raise SystemExit(f'failed: {exc!r}') from exc
    match = 3 / 2 // 1  # "match" used as a name
    print(f"""multi
line {match + 1} 'quoted' Grüße""", 'it''s', u'caf\u00e9')
