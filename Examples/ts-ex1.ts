// cart.ts - a typed shopping cart. Sample input for the TypeScript definition.
import { Injectable } from "./di";

export interface Item {
  readonly id: number;
  name: string;
  price: number;
  tags?: string[];
}

type Discount = { code: string; percent: number } | null;
enum Status { Open = "open", Paid = "paid" }

@Injectable()
export class Cart<T extends Item = Item> {
  private items: Map<number, T> = new Map();
  public status: Status = Status.Open;

  constructor(private readonly currency: string = "EUR") {}

  add(item: T, quantity = 1): this {
    if (quantity <= 0) throw new RangeError(`bad quantity ${quantity}`);
    this.items.set(item.id, { ...item });
    return this;
  }

  total(discount: Discount = null): number {
    const sum = [...this.items.values()].reduce((acc, i) => acc + i.price, 0);
    return discount ? sum * (1 - discount.percent / 100) : sum;
  }

  find(pattern: RegExp = /^[a-z]+$/i): T | undefined {
    for (const item of this.items.values()) if (pattern.test(item.name)) return item;
    return undefined;
  }
}

export function isItem(x: unknown): x is Item {
  return typeof x === "object" && x !== null && "id" in (x as object);
}
