-- Order entry, version 2: the schema the next release needs.
--   customer: fax is gone, a country code is new, e-mail addresses are unique
--   product: a stock count
--   orders: a shipping address and a note
--   new table shipment, with its keys and index
--   import_log is dropped; the order totals are a new view

CREATE TABLE customer (
  id          serial PRIMARY KEY,
  name        varchar(80) NOT NULL,
  email       varchar(120),
  phone       varchar(30),
  created_at  timestamp NOT NULL DEFAULT now(),
  country     char(2) NOT NULL DEFAULT 'DE',
  CONSTRAINT customer_email_key UNIQUE (email)
);

CREATE TABLE product (
  id          serial PRIMARY KEY,
  sku         varchar(20) NOT NULL UNIQUE,
  title       varchar(200) NOT NULL,
  price       numeric(10, 2) NOT NULL CHECK (price >= 0),
  discontinued boolean NOT NULL DEFAULT false,
  in_stock    integer NOT NULL DEFAULT 0
);

CREATE TABLE orders (
  id          serial PRIMARY KEY,
  customer_id integer NOT NULL REFERENCES customer (id),
  placed_at   timestamp NOT NULL DEFAULT now(),
  status      char(1) NOT NULL DEFAULT 'N',
  ship_to     varchar(200),
  note        text
);

CREATE TABLE order_line (
  order_id    integer NOT NULL REFERENCES orders (id) ON DELETE CASCADE,
  line_no     smallint NOT NULL,
  product_id  integer NOT NULL REFERENCES product (id),
  quantity    integer NOT NULL DEFAULT 1,
  unit_price  numeric(10, 2) NOT NULL,
  PRIMARY KEY (order_id, line_no)
);

CREATE TABLE shipment (
  id          serial PRIMARY KEY,
  order_id    integer NOT NULL REFERENCES orders (id),
  shipped_at  timestamp,
  carrier     varchar(40) NOT NULL,
  tracking_no varchar(60)
);

CREATE INDEX orders_customer ON orders (customer_id);
CREATE INDEX orders_placed ON orders (placed_at);
CREATE INDEX shipment_order ON shipment (order_id);
CREATE UNIQUE INDEX product_title ON product (title, sku);

CREATE VIEW open_orders AS
  SELECT o.id, o.placed_at, c.name AS customer
  FROM orders o JOIN customer c ON c.id = o.customer_id
  WHERE o.status = 'N';

CREATE VIEW order_totals AS
  SELECT l.order_id, sum(l.quantity * l.unit_price) AS total
  FROM order_line l
  GROUP BY l.order_id;
