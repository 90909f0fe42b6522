function stats = m_ex2(samples, varargin)
% M_EX2  Summary statistics of a sample (MATLAB and Octave).
%   STATS = M_EX2(SAMPLES) returns the mean, spread and range.
%   M_EX2(SAMPLES, 'Plot', true) also draws a histogram.

%{
Block comments sit between lines that hold only %{ and %}.
    %{
    and they nest.
    %}
%}

p = inputParser;
addParameter(p, 'Plot', false, @islogical);
parse(p, varargin{:});

if isempty(samples)
    error('m_ex2:empty', 'No samples given: ''%s''', inputname(1));
end

x = samples(:)';                 % a row vector; the quote transposes
n = numel(x);
stats = struct('n', n, 'mean', mean(x), 'std', std(x), ...
               'range', [min(x), max(x)]);

for k = 1:n
    if x(k) > stats.mean + 2 * stats.std
        fprintf("outlier at %d: %.3f\n", k, x(k));
    end
end

scaled = x .* 1.5e2 ./ 0x10 + 3i;
A = [1 2; 3 4]';
label = "mean = " + string(stats.mean);
disp(label);

if p.Results.Plot
    figure; hist(x, 20); title('Samples'); xlabel("value");
end
end
