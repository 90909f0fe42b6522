-- orders.sql: schema and reports for the order database.
-- Sample input for the SQL definition.
/* Tables
   ------ */
CREATE TABLE IF NOT EXISTS customers (
    customer_id  INTEGER PRIMARY KEY,
    name         VARCHAR(100) NOT NULL,
    email        VARCHAR(255) UNIQUE,
    created_at   TIMESTAMP DEFAULT CURRENT_TIMESTAMP
);

CREATE TABLE orders (
    order_id     BIGINT IDENTITY(1, 1) PRIMARY KEY,
    customer_id  INT REFERENCES customers(customer_id) ON DELETE CASCADE,
    amount       DECIMAL(10, 2) CHECK (amount >= 0),
    status       CHAR(1) DEFAULT 'N',
    note         NVARCHAR(MAX)
);

INSERT INTO customers (customer_id, name, email)
VALUES (1, 'O''Brien & Sons', 'info@obrien.example'),
       (2, N'Grüße GmbH', NULL);

DECLARE @since DATE = '2024-01-01';
SELECT c.name, COUNT(*) AS order_count, SUM(o.amount) AS total, AVG(o.amount) * 1.2e0 AS gross
FROM customers AS c
INNER JOIN orders o ON o.customer_id = c.customer_id
WHERE o.status <> 'X' AND c.created_at >= @since AND c.email LIKE '%@%.%'
GROUP BY c.name
HAVING SUM(o.amount) > 100.50
ORDER BY total DESC
LIMIT 10;

UPDATE orders SET status = 'P', note = 'multi-line
note -- not a comment' WHERE order_id = ? OR order_id = :id OR order_id = $1;

CREATE FUNCTION total_of(cid integer) RETURNS numeric AS $$
    SELECT SUM(amount) FROM orders WHERE customer_id = cid;
$$ LANGUAGE sql;
SELECT "select", [from], `where`, x::text FROM t; /* unterminated comment at the end
