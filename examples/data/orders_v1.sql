-- Order entry, version 1: the schema as it runs in production today.

CREATE TABLE customer (
  id          serial PRIMARY KEY,
  name        varchar(80) NOT NULL,
  email       varchar(120),
  phone       varchar(30),
  fax         varchar(30),
  created_at  timestamp NOT NULL DEFAULT now()
);

CREATE TABLE product (
  id          serial PRIMARY KEY,
  sku         varchar(20) NOT NULL UNIQUE,
  title       varchar(200) NOT NULL,
  price       numeric(10, 2) NOT NULL CHECK (price >= 0),
  discontinued boolean NOT NULL DEFAULT false
);

CREATE TABLE orders (
  id          serial PRIMARY KEY,
  customer_id integer NOT NULL REFERENCES customer (id),
  placed_at   timestamp NOT NULL DEFAULT now(),
  status      char(1) NOT NULL DEFAULT 'N'
);

CREATE TABLE order_line (
  order_id    integer NOT NULL REFERENCES orders (id) ON DELETE CASCADE,
  line_no     smallint NOT NULL,
  product_id  integer NOT NULL REFERENCES product (id),
  quantity    integer NOT NULL DEFAULT 1,
  unit_price  numeric(10, 2) NOT NULL,
  PRIMARY KEY (order_id, line_no)
);

-- Kept from the first import; nothing reads it any more.
CREATE TABLE import_log (
  id          integer,
  message     text
);

CREATE INDEX orders_customer ON orders (customer_id);
CREATE INDEX orders_placed ON orders (placed_at);
CREATE INDEX customer_fax ON customer (fax);

CREATE VIEW open_orders AS
  SELECT o.id, o.placed_at, c.name AS customer
  FROM orders o JOIN customer c ON c.id = o.customer_id
  WHERE o.status = 'N';
