-- Order entry, version 2: the schema the next release needs.
--   customer: fax is gone, a country code is new, e-mail addresses are unique
--   product: a stock count
--   orders: a shipping address and a note
--   new table shipment, with its keys and index
--   import_log is dropped; the order totals are a new view

CREATE TABLE customer (
  id          int IDENTITY,
  name        varchar(80) NOT NULL,
  email       varchar(120) NULL,
  phone       varchar(30) NULL,
  created_at  datetime DEFAULT getdate() NOT NULL,
  country     char(2) DEFAULT 'DE' NOT NULL,
  CONSTRAINT pk_customer PRIMARY KEY (id),
  CONSTRAINT customer_email_key UNIQUE (email)
)
go

CREATE TABLE product (
  id          int IDENTITY,
  sku         varchar(20) NOT NULL CONSTRAINT product_sku_key UNIQUE,
  title       varchar(200) NOT NULL,
  price       numeric(10, 2) NOT NULL CHECK (price >= 0),
  discontinued bit DEFAULT 0 NOT NULL,
  in_stock    int DEFAULT 0 NOT NULL,
  CONSTRAINT pk_product PRIMARY KEY (id)
)
go

CREATE TABLE orders (
  id          int IDENTITY CONSTRAINT pk_orders PRIMARY KEY,
  customer_id int NOT NULL CONSTRAINT fk_orders_customer REFERENCES customer (id),
  placed_at   datetime DEFAULT getdate() NOT NULL,
  status      char(1) DEFAULT 'N' NOT NULL,
  ship_to     varchar(200) NULL,
  note        text NULL
)
go

CREATE TABLE order_line (
  order_id    int NOT NULL,
  line_no     smallint NOT NULL,
  product_id  int NOT NULL,
  quantity    int DEFAULT 1 NOT NULL,
  unit_price  numeric(10, 2) NOT NULL,
  CONSTRAINT pk_order_line PRIMARY KEY (order_id, line_no),
  CONSTRAINT fk_order_line_orders FOREIGN KEY (order_id) REFERENCES orders (id) ON DELETE CASCADE,
  CONSTRAINT fk_order_line_product FOREIGN KEY (product_id) REFERENCES product (id)
)
go

CREATE TABLE shipment (
  id          int IDENTITY CONSTRAINT pk_shipment PRIMARY KEY,
  order_id    int NOT NULL CONSTRAINT fk_shipment_orders REFERENCES orders (id),
  shipped_at  datetime NULL,
  carrier     varchar(40) NOT NULL,
  tracking_no varchar(60) NULL
)
go

CREATE INDEX orders_customer ON orders (customer_id)
go
CREATE INDEX orders_placed ON orders (placed_at)
go
CREATE INDEX shipment_order ON shipment (order_id)
go
CREATE UNIQUE INDEX product_title ON product (title, sku)
go

CREATE VIEW open_orders AS
  SELECT o.id, o.placed_at, c.name AS customer
  FROM orders o JOIN customer c ON c.id = o.customer_id
  WHERE o.status = 'N'
go

CREATE VIEW order_totals AS
  SELECT l.order_id, sum(l.quantity * l.unit_price) AS total
  FROM order_line l
  GROUP BY l.order_id
go
