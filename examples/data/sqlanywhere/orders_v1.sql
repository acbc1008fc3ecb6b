% Order entry, version 1: the schema as it runs in production today.

CREATE TABLE DBA.customer (
  id          INTEGER NOT NULL DEFAULT AUTOINCREMENT,
  name        VARCHAR(80) NOT NULL,
  email       VARCHAR(120) NULL,
  phone       VARCHAR(30) NULL,
  fax         VARCHAR(30) NULL,
  created_at  TIMESTAMP NOT NULL DEFAULT CURRENT TIMESTAMP,
  PRIMARY KEY (id)
)
go

CREATE TABLE DBA.product (
  id          INTEGER NOT NULL DEFAULT AUTOINCREMENT,
  sku         VARCHAR(20) NOT NULL,
  title       VARCHAR(200) NOT NULL,
  price       NUMERIC(10, 2) NOT NULL CHECK (price >= 0),
  discontinued BIT NOT NULL DEFAULT 0,
  PRIMARY KEY (id)
)
go

CREATE TABLE DBA.orders (
  id          INTEGER NOT NULL DEFAULT AUTOINCREMENT,
  customer_id INTEGER NOT NULL,
  placed_at   TIMESTAMP NOT NULL DEFAULT CURRENT TIMESTAMP,
  status      CHAR(1) NOT NULL DEFAULT 'N',
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

% Kept from the first import; nothing reads it any more.
CREATE TABLE DBA.import_log (
  id          INTEGER NULL,
  "message"   LONG VARCHAR NULL
)
go

CREATE UNIQUE INDEX product_sku ON DBA.product (sku)
go
CREATE INDEX orders_customer ON DBA.orders (customer_id)
go
CREATE INDEX orders_placed ON DBA.orders (placed_at)
go
CREATE INDEX customer_fax ON DBA.customer (fax)
go

CREATE VIEW DBA.open_orders AS
  SELECT o.id, o.placed_at, c.name AS customer
  FROM orders o JOIN customer c ON c.id = o.customer_id
  WHERE o.status = 'N'
go
