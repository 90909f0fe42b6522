<?php
declare(strict_types=1);

namespace Shop\Catalog;

use InvalidArgumentException;

/**
 * A price list kept in memory; prices are in cents.
 */
#[Immutable]
final class PriceList
{
    private const CURRENCY = 'EUR';
    private array $prices = [];

    public function __construct(private readonly string $name) {}

    public function add(string $sku, int $cents): static
    {
        if ($cents < 0) {
            throw new InvalidArgumentException("Negative price for {$sku}: $cents");
        }
        $this->prices[$sku] = $cents; // replaces an older price
        return $this;
    }

    public function total(): float
    {
        return array_sum($this->prices) / 100.0; # euros
    }

    public function describe(): string
    {
        $count = count($this->prices);
        return <<<TEXT
            Price list "{$this->name}" holds $count items
            in {${'currency'}}, total {$this->total()} \u{20AC}
            TEXT;
    }
}

$list = (new PriceList('summer'))->add('A-100', 1_250)->add("B-7\t", 0x1F4);
$raw = <<<'RAW'
    Nothing is $expanded here: {$x}
    RAW;
echo $list->describe(), PHP_EOL, 'It\'s done', "\n";
$n = (int) "42" + 1.5e3 ?? null;
?>
<!DOCTYPE html>
<html lang="en">
<head><title><?= htmlspecialchars($list->describe()) ?></title></head>
<body class="<?php echo $n > 10 ? 'big' : 'small'; ?>">
  <!-- rendered on the server: <?= date('Y') ?> -->
  <ul>
  <?php foreach ([1, 2, 3] as $i): ?>
    <li data-i="<?= $i ?>">Item &amp; number <?= $i ?></li>
  <?php endforeach; ?>
  </ul>
  <script>var total = <?= json_encode($n) ?>; if (total < 5) { alert('few'); }</script>
</body>
</html>
