# Summary statistics for a small set of measurements.
library(stats)

measurements <- c(12.5, 13.1, NA, 11.8, 1e2, 0x10)
names(measurements) <- paste0("m", seq_along(measurements))

#' Mean without missing values, rounded.
clean_mean <- function(x, digits = 2L) {
  if (!is.numeric(x)) stop("x must be numeric, not '", class(x), "'")
  round(mean(x, na.rm = TRUE), digits)
}

summary_table <- data.frame(
  name = names(measurements),
  value = measurements,
  high = measurements > 12 & !is.na(measurements),
  stringsAsFactors = FALSE
)

for (i in seq_len(nrow(summary_table))) {
  row <- summary_table[i, ]
  if (isTRUE(row$high)) cat(sprintf("%s is high: %.1f\n", row$name, row$value))
  else next
}

values <- sapply(1:3, function(k) k^2 %/% 2)
`odd name` <- 3i + 1
path <- r"(C:\data\file "one".csv)"
print(list(mean = clean_mean(measurements), values = values, in_set = 2 %in% values, path))
result <- tryCatch(log(-1), warning = function(w) NaN)
invisible(NULL)
