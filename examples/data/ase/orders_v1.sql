-- Order entry, version 1: the schema as it runs in production today.

CREATE TABLE customer (
  id          int IDENTITY,
  name        varchar(80) NOT NULL,
  email       varchar(120) NULL,
  phone       varchar(30) NULL,
  fax         varchar(30) NULL,
  created_at  datetime DEFAULT getdate() NOT NULL,
  CONSTRAINT pk_customer PRIMARY KEY (id)
)
go

CREATE TABLE product (
  id          int IDENTITY,
  sku         varchar(20) NOT NULL CONSTRAINT product_sku_key UNIQUE,
  title       varchar(200) NOT NULL,
  price       numeric(10, 2) NOT NULL CHECK (price >= 0),
  discontinued bit DEFAULT 0 NOT NULL,
  CONSTRAINT pk_product PRIMARY KEY (id)
)
go

CREATE TABLE orders (
  id          int IDENTITY CONSTRAINT pk_orders PRIMARY KEY,
  customer_id int NOT NULL CONSTRAINT fk_orders_customer REFERENCES customer (id),
  placed_at   datetime DEFAULT getdate() NOT NULL,
  status      char(1) DEFAULT 'N' NOT NULL
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

-- Kept from the first import; nothing reads it any more.
CREATE TABLE import_log (
  id          int NULL,
  message     text NULL
)
go

CREATE INDEX orders_customer ON orders (customer_id)
go
CREATE INDEX orders_placed ON orders (placed_at)
go
CREATE INDEX customer_fax ON customer (fax)
go

CREATE VIEW open_orders AS
  SELECT o.id, o.placed_at, c.name AS customer
  FROM orders o JOIN customer c ON c.id = o.customer_id
  WHERE o.status = 'N'
go
