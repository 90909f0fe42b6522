import 'dart:async';
import 'dart:math' as math;

/* A shopping cart.
   /* Dart block comments nest. */ */

/// One line in the cart.
class Item {
  final String name;
  final int cents;
  final int quantity;

  const Item(this.name, this.cents, {this.quantity = 1});

  int get total => cents * quantity;

  @override
  String toString() => '$name x$quantity: ${(total / 100).toStringAsFixed(2)}';
}

enum Discount { none, member, sale }

class Cart {
  final List<Item> _items = [];
  Discount discount = Discount.none;

  void add(Item item) => _items.add(item);

  double get total {
    final sum = _items.fold<int>(0, (acc, i) => acc + i.total);
    return switch (discount) {
      Discount.none => sum / 100,
      Discount.member => sum * 0.95 / 100,
      Discount.sale => math.max(0, sum - 500) / 100,
    };
  }
}

Future<void> main() async {
  final cart = Cart()
    ..add(const Item('Tea', 450, quantity: 2))
    ..add(const Item("Mug\t(blue)", 0x4B0));
  cart.discount = Discount.member;
  await Future.delayed(const Duration(milliseconds: 10));
  print('Total: ${cart.total} for ${cart._items.length} items\n');
  final receipt = """
Receipt
${cart._items.join('\n')}
""";
  print(receipt + r'raw $total \n' + '\u{1F600}' + 1e3.toString());
}
