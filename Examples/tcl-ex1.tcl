#!/usr/bin/env tclsh
# Counts words in the files named on the command line.

package require Tcl 8.6

namespace eval wordcount {
    variable counts
    array set counts {}

    # Adds the words of one line to the table.
    proc addLine {line} {
        variable counts
        foreach word [regexp -all -inline {\w+} [string tolower $line]] {
            incr counts($word)
        }
    }

    proc top {n} {
        variable counts
        set pairs {}
        foreach {word count} [array get counts] {
            lappend pairs [list $word $count]
        }
        return [lrange [lsort -integer -decreasing -index 1 $pairs] 0 [expr {$n - 1}]]
    }
}

if {$argc == 0} {
    puts stderr "usage: $argv0 file ..."
    exit 1
}

foreach path $argv {
    if {[catch {open $path r} chan]} {
        puts stderr "cannot open \"$path\": $chan"
        continue
    }
    while {[gets $chan line] >= 0} { wordcount::addLine $line }
    close $chan
}

set limit 0x0A
foreach pair [wordcount::top $limit] {
    lassign $pair word count
    puts [format "%-15s %5d\t%s" $word $count ${word}]
}
