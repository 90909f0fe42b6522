#!/usr/bin/perl
use strict;
use warnings;

=pod

=head1 NAME

pl-ex1 - sums the sizes of log files per host

=cut

package LogSum;

our $VERSION = '0.03';
my %total;
my @hosts = qw(alpha beta gamma);
my $pattern = qr{^(\S+)\s+(\d+)\s*$}x;

sub add_line {
    my ($line) = @_;
    return unless $line =~ $pattern;
    my ($host, $bytes) = ($1, $2);
    $total{$host} += $bytes;    # count the bytes
    return 1;
}

sub report {
    my $fh = shift // \*STDOUT;
    for my $host (sort { $total{$b} <=> $total{$a} } keys %total) {
        printf $fh "%-10s %8d\n", $host, $total{$host};
    }
    print $fh "Hosts: @hosts, first: $hosts[0], count: ${\ scalar @hosts}\n";
}

while (my $line = <STDIN>) {
    chomp $line;
    next if $line =~ /^\s*#/;
    (my $clean = $line) =~ s/\t+/ /g;
    $clean =~ tr/a-z/A-Z/;
    add_line($clean) or warn "Bad line $.: '$clean'\n";
}

my %opts = (verbose => 0, limit => 1_000, mask => 0x1F, rate => 2.5e3);
my $heading = <<"END";
Totals for $0
  limit: $opts{limit}\tmask: $opts{mask}
END
my $plain = <<'RAW';
Not $interpolated @here
RAW
print $heading, $plain, q{single 'quoted' {nested}}, "\n";
report() if -t STDOUT and not $opts{verbose};
exit 0;

__END__
Free text: "quotes", $dollars and # hashes are not code.
