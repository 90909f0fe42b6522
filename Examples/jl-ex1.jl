# Simple statistics over a vector of measurements.
module Stats

export summarize, Summary

#= Block comments
   #= nest in Julia =#
   and end here. =#

"""
    Summary

The mean, spread and extremes of a sample.
"""
struct Summary{T<:Real}
    n::Int
    mean::Float64
    std::Float64
    range::Tuple{T,T}
end

function summarize(xs::AbstractVector{T}) where {T<:Real}
    isempty(xs) && throw(ArgumentError("empty sample"))
    n = length(xs)
    μ = sum(xs) / n
    σ = sqrt(sum((x - μ)^2 for x in xs) / max(n - 1, 1))
    return Summary{T}(n, μ, σ, extrema(xs))
end

Base.show(io::IO, s::Summary) =
    print(io, "n=$(s.n) mean=$(round(s.mean; digits=2)) ± $(round(s.std, digits=2))")

end # module

using .Stats

data = [12.5, 13.1, 11.8, 1e2, 0x10, 2_000]
s = summarize(data)
println("Summary: ", s, "\trange $(s.range[1]) to $(s.range[2])")
A = [1 2; 3 4]'
c = 'x'
sym = :done
@assert s.n == 6 "expected six values"
pattern = r"^\d+(\.\d+)?$"
for (i, x) in enumerate(data)
    occursin(pattern, string(x)) || println("$i: $x is not plain")
end
cmd = `ls -l $(pwd())`
z = 3 + 4im
println(raw"C:\temp\$dir", A, c, sym, z, """multi
line $(length(data)) values""")
