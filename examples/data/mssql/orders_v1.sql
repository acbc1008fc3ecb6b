-- Order entry, version 1: the schema as it runs in production today.

CREATE TABLE dbo.customer (
  id          int IDENTITY(1,1) NOT NULL,
  name        varchar(80) NOT NULL,
  email       varchar(120) NULL,
  phone       varchar(30) NULL,
  fax         varchar(30) NULL,
  created_at  datetime NOT NULL DEFAULT getdate(),
  CONSTRAINT pk_customer PRIMARY KEY (id)
)
GO

CREATE TABLE dbo.product (
  id          int IDENTITY(1,1) NOT NULL,
  sku         varchar(20) NOT NULL CONSTRAINT product_sku_key UNIQUE,
  title       varchar(200) NOT NULL,
  price       numeric(10, 2) NOT NULL CHECK (price >= 0),
  discontinued bit NOT NULL DEFAULT 0,
  CONSTRAINT pk_product PRIMARY KEY (id)
)
GO

CREATE TABLE dbo.orders (
  id          int IDENTITY(1,1) NOT NULL CONSTRAINT pk_orders PRIMARY KEY,
  customer_id int NOT NULL CONSTRAINT fk_orders_customer REFERENCES customer (id),
  placed_at   datetime NOT NULL DEFAULT getdate(),
  status      char(1) NOT NULL DEFAULT 'N'
)
GO

CREATE TABLE dbo.order_line (
  order_id    int NOT NULL,
  line_no     smallint NOT NULL,
  product_id  int NOT NULL,
  quantity    int NOT NULL DEFAULT 1,
  unit_price  numeric(10, 2) NOT NULL,
  CONSTRAINT pk_order_line PRIMARY KEY (order_id, line_no),
  CONSTRAINT fk_order_line_orders FOREIGN KEY (order_id) REFERENCES orders (id) ON DELETE CASCADE,
  CONSTRAINT fk_order_line_product FOREIGN KEY (product_id) REFERENCES product (id)
)
GO

-- Kept from the first import; nothing reads it any more.
CREATE TABLE import_log (
  id          int NULL,
  message     varchar(max) NULL
)
GO

CREATE INDEX orders_customer ON orders (customer_id)
GO
CREATE INDEX orders_placed ON orders (placed_at)
GO
CREATE INDEX customer_fax ON customer (fax)
GO

CREATE VIEW open_orders AS
  SELECT o.id, o.placed_at, c.name AS customer
  FROM orders o JOIN customer c ON c.id = o.customer_id
  WHERE o.status = 'N'
GO
