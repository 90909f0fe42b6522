package shop

import scala.collection.mutable
import scala.util.{Failure, Success, Try}

/* Orders and their totals.
 * /* Scala comments nest too. */
 */
enum Status:
  case Open, Paid, Shipped

final case class Line(sku: String, quantity: Int, unitCents: Long):
  def total: Long = quantity * unitCents

trait Priced {
  def lines: Seq[Line]
  def totalCents: Long = lines.map(_.total).sum
}

@SerialVersionUID(1L)
class Order(val id: Int, val lines: Seq[Line], var status: Status = Status.Open) extends Priced

object Shop {
  private val orders = mutable.Map.empty[Int, Order]

  def parse(text: String): Try[Line] = Try {
    val Array(sku, qty, cents) = text.split(';')
    Line(sku.trim, qty.trim.toInt, cents.trim.toLong)
  }

  def main(args: Array[String]): Unit = {
    val input = List("A-1; 2; 1250", "B-2; x; 10", "C-3;1;0x1F")
    val parsed = input.map(parse)
    parsed.foreach {
      case Success(line) => println(s"ok ${line.sku} costs ${line.total / 100.0}%")
      case Failure(e)    => println(s"skipped: ${e.getMessage}")
    }
    val order = new Order(1, parsed.collect { case Success(l) => l })
    orders(order.id) = order
    val sep = '\t'
    val sym = 'legacy
    val amount = 3.5e2
    println(f"Total: ${order.totalCents / 100.0}%.2f EUR$sep$amount")
    println("""A raw string: \n "stays" as it is""")
    println(raw"C:\temp\$$ ${order.id}")
  }
}
