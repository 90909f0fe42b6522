#!/usr/bin/env ruby
# frozen_string_literal: true

require 'json'

=begin
A tiny task list kept in a JSON file.
Run with: ruby rb-ex1.rb add "Water the plants"
=end

module Tasks
  VERSION = '1.2.0'

  # One task; done? tells whether it is finished.
  class Task
    attr_reader :title, :due
    @@count = 0

    def initialize(title, due: nil, done: false)
      @title = title.strip
      @due = due
      @done = done
      @@count += 1
    end

    def done? = @done

    def finish!
      @done = true
      self
    end

    def to_s
      mark = done? ? "[x]" : "[ ]"
      "#{mark} #{@title}#{due ? " (due #{due})" : ''}\t##{@@count}"
    end
  end

  def self.parse(text)
    JSON.parse(text, symbolize_names: true).map do |h|
      Task.new(h[:title], due: h[:due], done: h.fetch(:done, false))
    end
  rescue JSON::ParserError => e
    warn "bad file: #{e.message}"
    []
  end
end

words = %w[alpha beta gamma]
pattern = %r{^/tasks/(\d+)$}
dates = "2024-01-31, 2024-02-29".scan(/(\d{4})-(\d\d)-(\d\d)/)
ratio = 3.0 / 4 + 1_000 + 0x1F + 2r
char = ?A
report = <<~TEXT.lines.map(&:chomp)
  Tasks: #{words.size}
  Pattern: #{pattern.source} and $HOME
TEXT
raw = <<-'RAW'
    Nothing #{expands} here
    RAW
list = Tasks.parse('[{"title": "Buy milk", "done": true}]')
list.each { |t| puts t }
puts report, raw, dates.inspect, ratio, char, $stdout.sync, :sym, :"quoted sym"
`echo #{Tasks::VERSION}` if ENV['DEBUG']

__END__
Data after the end marker is not code: "quotes" stay plain.
