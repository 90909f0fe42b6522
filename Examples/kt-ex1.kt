package org.example.library

import kotlin.math.roundToInt

/* Loans of a small lending library.
   /* Comments nest in Kotlin. */ still a comment */

@JvmInline
value class Isbn(val code: String)

data class Book(val isbn: Isbn, val title: String, val pages: Int = 0)

sealed interface Event {
    data class Lent(val book: Book, val days: Int) : Event
    object Closed : Event
}

// Average length of the books, rounded.
fun List<Book>.averagePages(): Int =
    if (isEmpty()) 0 else (sumOf { it.pages }.toDouble() / size).roundToInt()

fun describe(e: Event): String = when (e) {
    is Event.Lent -> "Lent \"${e.book.title}\" for ${e.days} days"
    Event.Closed -> "closed"
}

fun main(args: Array<String>) {
    val books = listOf(
        Book(Isbn("978-0-00-000000-1"), "Rivers", 312),
        Book(Isbn("978-0-00-000000-2"), "Stones\tand Sand", 0x1F4),
    )
    val limit = 1_000L
    var ratio = 2.5e-3f
    val marker = '\u2022'
    println("$marker average: ${books.averagePages()} of $limit")
    val report = """
        |Books: ${books.size}
        |First: ${books.first().title.uppercase()}
        |Raw \n stays as written
    """.trimMargin()
    println(report)
    books.forEach { println(describe(Event.Lent(it, days = 14))) }
    ratio *= 2
}
