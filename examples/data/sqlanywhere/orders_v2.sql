% Order entry, version 2: the schema the next release needs.
%   customer: fax is gone, a country code is new, e-mail addresses are unique
%   product: a stock count
%   orders: a shipping address and a note
%   new table shipment, with its keys and index
%   import_log is dropped; the order totals are a new view

CREATE TABLE DBA.customer (
  id          INTEGER NOT NULL DEFAULT AUTOINCREMENT,
  name        VARCHAR(80) NOT NULL,
  email       VARCHAR(120) NULL,
  phone       VARCHAR(30) NULL,
  created_at  TIMESTAMP NOT NULL DEFAULT CURRENT TIMESTAMP,
  country     CHAR(2) NOT NULL DEFAULT 'DE',
  PRIMARY KEY (id)
)
go

CREATE TABLE DBA.product (
  id          INTEGER NOT NULL DEFAULT AUTOINCREMENT,
  sku         VARCHAR(20) NOT NULL,
  title       VARCHAR(200) NOT NULL,
  price       NUMERIC(10, 2) NOT NULL CHECK (price >= 0),
  discontinued BIT NOT NULL DEFAULT 0,
  in_stock    INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (id)
)
go

CREATE TABLE DBA.orders (
  id          INTEGER NOT NULL DEFAULT AUTOINCREMENT,
  customer_id INTEGER NOT NULL,
  placed_at   TIMESTAMP NOT NULL DEFAULT CURRENT TIMESTAMP,
  status      CHAR(1) NOT NULL DEFAULT 'N',
  ship_to     VARCHAR(200) NULL,
  note        LONG VARCHAR NULL,
  PRIMARY KEY (id),
  FOREIGN KEY (customer_id) REFERENCES DBA.customer (id)
)
go

CREATE TABLE DBA.order_line (
  order_id    INTEGER NOT NULL,
  line_no     SMALLINT NOT NULL,
  product_id  INTEGER NOT NULL,
  quantity    INTEGER NOT NULL DEFAULT 1,
  unit_price  NUMERIC(10, 2) NOT NULL,
  PRIMARY KEY (order_id, line_no),
  FOREIGN KEY (order_id) REFERENCES DBA.orders (id) ON DELETE CASCADE,
  FOREIGN KEY (product_id) REFERENCES DBA.product (id)
)
go

CREATE TABLE DBA.shipment (
  id          INTEGER NOT NULL DEFAULT AUTOINCREMENT,
  order_id    INTEGER NOT NULL,
  shipped_at  TIMESTAMP NULL,
  carrier     VARCHAR(40) NOT NULL,
  tracking_no VARCHAR(60) NULL,
  PRIMARY KEY (id),
  FOREIGN KEY (order_id) REFERENCES DBA.orders (id)
)
go

ALTER TABLE DBA.customer ADD CONSTRAINT customer_email_key UNIQUE (email)
go

CREATE UNIQUE INDEX product_sku ON DBA.product (sku)
go
CREATE INDEX orders_customer ON DBA.orders (customer_id)
go
CREATE INDEX orders_placed ON DBA.orders (placed_at)
go
CREATE INDEX shipment_order ON DBA.shipment (order_id)
go
CREATE UNIQUE INDEX product_title ON DBA.product (title, sku)
go

CREATE VIEW DBA.open_orders AS
  SELECT o.id, o.placed_at, c.name AS customer
  FROM orders o JOIN customer c ON c.id = o.customer_id
  WHERE o.status = 'N'
go

CREATE VIEW DBA.order_totals AS
  SELECT l.order_id, sum(l.quantity * l.unit_price) AS total
  FROM order_line l
  GROUP BY l.order_id
go
