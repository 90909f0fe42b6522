#!/usr/bin/env groovy
import groovy.transform.Canonical

/* Reads a list of contacts and prints them by city. */

@Canonical
class Contact {
    String name
    String city
    int age
}

// Parse "name;city;age" lines.
List<Contact> parse(String text) {
    text.readLines()
        .findAll { it && !it.startsWith('#') }
        .collect { line ->
            def (name, city, age) = line.split(/;/)*.trim()
            new Contact(name: name, city: city, age: age as int)
        }
}

def data = '''\
Ada;London;36
# a comment line in the data
Linus;Helsinki;28
Grace;New York;45'''

def contacts = parse(data)
def byCity = contacts.groupBy { it.city }
byCity.each { city, people ->
    println "${city.toUpperCase()}: ${people*.name.join(', ')} (${people.size()})"
}
def oldest = contacts.max { it.age }
def pattern = ~/^[A-Z]\w+$/
def path = $/C:\files\$oldest.name/$
assert oldest.name ==~ pattern
printf('%-10s %3d%n', oldest.name, oldest.age)
println "Average age: ${contacts.sum { it.age } / contacts.size()}\tdone"
def big = 12_345G + 0x1FL + 1.5e2d
println """Multi-line with $oldest.name and ${big}"""
