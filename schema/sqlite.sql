-- Spare-parts stock: tables, views and indexes for SQLite.
--
-- Types are spelled so that the catalog reads them back: VARCHAR(n) for char(n) (values kept
-- without trailing blanks), NUMERIC(18,2) / NUMERIC(18,4) for decimals, INTEGER for long and
-- flags, DOUBLE PRECISION for 8-byte floats, TIMESTAMP for date-times (stored as
-- 'YYYY-MM-DD HH:MM:SS' text). Every non-key column has a default, so that a row inserted with
-- only the columns the module uses is valid. Runs on an empty database only; the same
-- identifiers are used unquoted in postgres.sql.

-- Master data --------------------------------------------------------------------------------

CREATE TABLE dbj001 (
  cgsh    VARCHAR(2)  NOT NULL,
  cflh    VARCHAR(3)  NOT NULL,
  cflmc   VARCHAR(30) DEFAULT '',
  ltybs   INTEGER     DEFAULT 0,
  PRIMARY KEY (cgsh, cflh)
);

CREATE TABLE dbj002 (
  cgsh    VARCHAR(2)  NOT NULL,
  ccph    VARCHAR(20) NOT NULL,
  ccpmc   VARCHAR(30) DEFAULT '',
  cpym    VARCHAR(12) DEFAULT '',
  cjldw   VARCHAR(4)  DEFAULT '',
  ccjh    VARCHAR(18) DEFAULT '',
  ccxh    VARCHAR(2)  DEFAULT '',
  cflh    VARCHAR(3)  DEFAULT '',
  lcyjbs  DOUBLE PRECISION DEFAULT 0,
  ncgdj   NUMERIC(18,2) DEFAULT 0,
  nckdj   NUMERIC(18,2) DEFAULT 0,
  nwxdj   NUMERIC(18,2) DEFAULT 0,
  ncbgx   INTEGER     DEFAULT 0,
  ncbdx   INTEGER     DEFAULT 0,
  ckmzh   VARCHAR(10) DEFAULT '',
  ltybs   INTEGER     DEFAULT 0,
  PRIMARY KEY (cgsh, ccph)
);
CREATE INDEX ix_dbj002_cpym ON dbj002 (cgsh, cpym);

CREATE TABLE dbj003 (
  cgsh    VARCHAR(2)  NOT NULL,
  ckh     VARCHAR(2)  NOT NULL,
  ckmc    VARCHAR(30) DEFAULT '',
  ltybs   INTEGER     DEFAULT 0,
  PRIMARY KEY (cgsh, ckh)
);

-- Zones belong to no company.
CREATE TABLE dbj004 (
  ckqh    VARCHAR(2)  NOT NULL PRIMARY KEY,
  ckqmc   VARCHAR(30) DEFAULT ''
);

-- lzt: 0 free, 1 occupied. INTEGER affinity turns the text '0' into the number 0.
CREATE TABLE dbj005 (
  cgsh    VARCHAR(2)  NOT NULL,
  ckh     VARCHAR(2)  NOT NULL,
  ckqh    VARCHAR(2)  NOT NULL,
  ckwh    VARCHAR(10) NOT NULL,
  lzt     INTEGER     DEFAULT 0,
  ltybs   INTEGER     DEFAULT 0,
  PRIMARY KEY (cgsh, ckh, ckqh, ckwh)
);
CREATE INDEX ix_dbj005_ckwh ON dbj005 (cgsh, ckwh);

CREATE TABLE dxl002 (
  cgsh    VARCHAR(2)  NOT NULL,
  ccxh    VARCHAR(2)  NOT NULL,
  ccxmc   VARCHAR(30) DEFAULT '',
  ltybs   INTEGER     DEFAULT 0,
  PRIMARY KEY (cgsh, ccxh)
);

-- Stock ----------------------------------------------------------------------------------------

CREATE TABLE dbj030 (
  cgsh    VARCHAR(2)  NOT NULL,
  ckh     VARCHAR(2)  NOT NULL,
  ccph    VARCHAR(20) NOT NULL,
  ckqh    VARCHAR(2)  DEFAULT '',
  ckwh    VARCHAR(10) DEFAULT '',
  nkcsl   NUMERIC(18,2) DEFAULT 0,
  nsdsl   NUMERIC(18,2) DEFAULT 0,
  nsqsl   NUMERIC(18,2) DEFAULT 0,
  nykps   NUMERIC(18,2) DEFAULT 0,
  ntzs    NUMERIC(18,2) DEFAULT 0,
  nqcsl   NUMERIC(18,2) DEFAULT 0,
  nbqrk   NUMERIC(18,2) DEFAULT 0,
  nbqck   NUMERIC(18,2) DEFAULT 0,
  njcsl   NUMERIC(18,2) DEFAULT 0,
  ndj     NUMERIC(18,2) DEFAULT 0,
  PRIMARY KEY (cgsh, ckh, ccph)
);
CREATE INDEX ix_dbj030_part ON dbj030 (cgsh, ccph);
CREATE INDEX ix_dbj030_location ON dbj030 (cgsh, ckh, ckqh, ckwh);

-- Stock documents: header (clx 'R' receipt, 'C' issue) and lines.
CREATE TABLE dbj028 (
  crcdh   VARCHAR(20) NOT NULL PRIMARY KEY,
  cgsh    VARCHAR(2)  DEFAULT '',
  ckh     VARCHAR(2)  DEFAULT '',
  drq     TIMESTAMP   DEFAULT NULL,
  clx     VARCHAR(1)  DEFAULT 'R'
);
CREATE INDEX ix_dbj028_company ON dbj028 (cgsh, ckh);

CREATE TABLE dbj029 (
  crcdh   VARCHAR(20) NOT NULL,
  nhh     INTEGER     NOT NULL DEFAULT 1,
  ccph    VARCHAR(20) DEFAULT '',
  nsl     NUMERIC(18,2) DEFAULT 0,
  ndj     NUMERIC(18,2) DEFAULT 0,
  PRIMARY KEY (crcdh, nhh)
);
CREATE INDEX ix_dbj029_part ON dbj029 (ccph, crcdh);

-- Stocktaking records; no key of their own (the module only reads them).
CREATE TABLE dbj032 (
  cgsh    VARCHAR(2)  NOT NULL,
  drq     TIMESTAMP   DEFAULT NULL,
  ckh     VARCHAR(2)  DEFAULT '',
  ckqh    VARCHAR(2)  DEFAULT '',
  ckwh    VARCHAR(10) DEFAULT '',
  ccph    VARCHAR(20) DEFAULT '',
  nzmsl   NUMERIC(18,2) DEFAULT 0,
  nspsl   NUMERIC(18,2) DEFAULT 0,
  ncsl    NUMERIC(18,2) DEFAULT 0,
  ndj     NUMERIC(18,2) DEFAULT 0,
  crym    VARCHAR(3)  DEFAULT '',
  lpfbs   INTEGER     DEFAULT 0
);
CREATE INDEX ix_dbj032_day ON dbj032 (cgsh, drq);

-- Cost price revision log; nsxh is assigned by the database.
CREATE TABLE dbj060 (
  nsxh    INTEGER     PRIMARY KEY AUTOINCREMENT,
  cgsh    VARCHAR(2)  DEFAULT '',
  drq     TIMESTAMP   DEFAULT NULL,
  cczr    VARCHAR(8)  DEFAULT '',
  ckh     VARCHAR(2)  DEFAULT '',
  ccph    VARCHAR(20) DEFAULT '',
  cny     VARCHAR(6)  DEFAULT '',
  nydj    NUMERIC(18,2) DEFAULT 0,
  nxdj    NUMERIC(18,2) DEFAULT 0,
  ntzje   NUMERIC(18,2) DEFAULT 0,
  cbs     VARCHAR(1)  DEFAULT '',
  lbs     VARCHAR(1)  DEFAULT '',
  nsxh1   INTEGER     DEFAULT 0
);
CREATE INDEX ix_dbj060_part ON dbj060 (cgsh, ccph);

-- Settings and users ---------------------------------------------------------------------------

-- cqspzz: default voucher word; ndzqx: days without movement after which a part is slow-moving.
CREATE TABLE dbj013 (
  cgsh    VARCHAR(2)  NOT NULL PRIMARY KEY,
  cqspzz  VARCHAR(4)  DEFAULT '',
  ndzqx   INTEGER     DEFAULT 180
);

CREATE TABLE dxt002 (
  cgsh    VARCHAR(2)  NOT NULL PRIMARY KEY,
  lcwaz   INTEGER     DEFAULT 0
);

CREATE TABLE DXT004 (
  CGSH    VARCHAR(2)  NOT NULL,
  CYHDM   VARCHAR(3)  NOT NULL,
  CYHXM   VARCHAR(8)  DEFAULT '',
  cmmhx   VARCHAR(200) DEFAULT '',
  PRIMARY KEY (CGSH, CYHDM)
);

-- Mailbox of the stock restore: every insert gets a number higher than all earlier ones, even
-- after deletes (AUTOINCREMENT never reuses a number).
CREATE TABLE error (
  error_time INTEGER PRIMARY KEY AUTOINCREMENT,
  error_text VARCHAR(500) DEFAULT ''
);

-- General ledger and inventory ledger --------------------------------------------------------

-- cdqkjny: the company's current accounting month as 'YYYYMM'; empty (the default) means the
-- calendar month of the system date.
CREATE TABLE dzz001 (
  cgsh    VARCHAR(2)  NOT NULL PRIMARY KEY,
  lkhly   INTEGER     DEFAULT 0,
  cdqkjny VARCHAR(6)  DEFAULT ''
);

CREATE TABLE dzz006 (
  cgsh    VARCHAR(2)  NOT NULL,
  ckmz    VARCHAR(10) NOT NULL,
  cchkm   VARCHAR(20) DEFAULT '',
  cxscbkm VARCHAR(20) DEFAULT '',
  PRIMARY KEY (cgsh, ckmz)
);

-- Exactly these five columns in this order: a new row is inserted without a column list.
CREATE TABLE dzz007 (
  cgsh    VARCHAR(2)  NOT NULL,
  ckjn    VARCHAR(4)  NOT NULL,
  ckjy    VARCHAR(2)  NOT NULL,
  cpzz    VARCHAR(4)  NOT NULL,
  nzdpzh  INTEGER     DEFAULT 0,
  PRIMARY KEY (cgsh, ckjn, ckjy, cpzz)
);

CREATE TABLE dzz008 (
  cgsh    VARCHAR(2)  NOT NULL,
  ckjn    VARCHAR(4)  NOT NULL,
  ckjy    VARCHAR(2)  NOT NULL,
  cpzz    VARCHAR(4)  NOT NULL,
  npzh    INTEGER     NOT NULL,
  PRIMARY KEY (cgsh, ckjn, ckjy, cpzz, npzh)
);

-- A voucher number is given once per company, voucher word and accounting period (the calendar
-- month of the voucher date): besides the key, a unique index on the period refuses a second
-- header with the same number at another moment of the same month. Lines follow their header.
CREATE TABLE dzz0031 (
  cgsh    VARCHAR(2)  NOT NULL,
  dpzrq   TIMESTAMP   NOT NULL,
  cpzz    VARCHAR(4)  NOT NULL,
  npzh    INTEGER     NOT NULL,
  dxtrq   TIMESTAMP   DEFAULT NULL,
  czdr    VARCHAR(8)  DEFAULT '',
  PRIMARY KEY (cgsh, dpzrq, cpzz, npzh)
);
CREATE UNIQUE INDEX ux_dzz0031_period ON dzz0031 (cgsh, cpzz, npzh, substr(dpzrq, 1, 7));

-- ljdbs: 0 debit, 1 credit.
CREATE TABLE dzz0032 (
  cgsh    VARCHAR(2)  NOT NULL,
  dpzrq   TIMESTAMP   NOT NULL,
  cpzz    VARCHAR(4)  NOT NULL,
  npzh    INTEGER     NOT NULL,
  nhh     INTEGER     NOT NULL,
  czy     VARCHAR(60) DEFAULT '',
  ckm     VARCHAR(20) DEFAULT '',
  nje     NUMERIC(18,2) DEFAULT 0,
  ljdbs   INTEGER     DEFAULT 0,
  PRIMARY KEY (cgsh, dpzrq, cpzz, npzh, nhh)
);

CREATE TABLE dch002 (
  cgsh    VARCHAR(2)  NOT NULL,
  dpzrq   TIMESTAMP   NOT NULL,
  cpzz    VARCHAR(4)  NOT NULL,
  npzbh   INTEGER     NOT NULL,
  dczrq   TIMESTAMP   DEFAULT NULL,
  cczr    VARCHAR(8)  DEFAULT '',
  crcdh   VARCHAR(20) DEFAULT '',
  PRIMARY KEY (cgsh, dpzrq, cpzz, npzbh)
);
CREATE UNIQUE INDEX ux_dch002_period ON dch002 (cgsh, cpzz, npzbh, substr(dpzrq, 1, 7));

CREATE TABLE dch003 (
  cgsh    VARCHAR(2)  NOT NULL,
  dpzrq   TIMESTAMP   NOT NULL,
  cpzz    VARCHAR(4)  NOT NULL,
  npzbh   INTEGER     NOT NULL,
  nhh     INTEGER     NOT NULL,
  czy     VARCHAR(60) DEFAULT '',
  ckm     VARCHAR(20) DEFAULT '',
  nje     NUMERIC(18,2) DEFAULT 0,
  ljdbs   INTEGER     DEFAULT 0,
  PRIMARY KEY (cgsh, dpzrq, cpzz, npzbh, nhh)
);

-- Views ----------------------------------------------------------------------------------------
-- SQLite reports the declared type of a view column only for a plain column or a scalar
-- subquery over one (hence dzhckrq as ORDER BY ... LIMIT 1 rather than MAX); arithmetic and
-- aggregates come back untyped, and readers take their types from the grid definitions.
-- Decimal arithmetic is rounded to the places it carries with the built-in round(), so that the
-- view holds the numbers without binary residue for every reader and every comparison.

-- One row per stock record with its part data (a part missing from dbj002 gives nulls).
-- dzhckrq: date of the last issue document of the part in that warehouse.
CREATE VIEW V_KCMX AS
SELECT k.cgsh, k.ccph, p.ccpmc, k.nkcsl,
       CAST(round(k.nkcsl - k.nsqsl - k.nykps - k.nsdsl, 2) AS NUMERIC(18,2)) AS nkykc,
       p.nckdj, p.nwxdj, k.ndj,
       CAST(round(k.ndj * k.nkcsl, 4) AS NUMERIC(18,4)) AS je,
       p.ncgdj, p.ncbgx, p.ncbdx, p.ccjh, p.cjldw, k.ckh, k.ckqh, k.ckwh, p.cflh, p.ccxh,
       p.cpym, p.lcyjbs, k.njcsl,
       (SELECT h.drq FROM dbj029 l JOIN dbj028 h ON h.crcdh = l.crcdh
         WHERE l.ccph = k.ccph AND h.cgsh = k.cgsh AND h.ckh = k.ckh AND h.clx = 'C'
           AND h.drq IS NOT NULL
         ORDER BY h.drq DESC LIMIT 1) AS dzhckrq,
       p.ccjh AS zzh
  FROM dbj030 k LEFT JOIN dbj002 p ON p.cgsh = k.cgsh AND p.ccph = k.ccph;

-- One row per part of a company, for the stocktaking lists.
CREATE VIEW v_bj060 AS
SELECT p.cgsh AS gsh, p.ccph AS cph, p.ccpmc AS cpmc, p.cjldw AS jldw, p.ccjh AS zzh
  FROM dbj002 p;

-- One row per company and part with its stock summed over the warehouses; the cost price is
-- the same in every warehouse.
CREATE VIEW v_bj902_001 AS
SELECT k.cgsh, k.ccph,
       CAST(round(SUM(k.nkcsl), 2) AS NUMERIC(18,2)) AS nkcsl,
       CAST(round(SUM(k.nkcsl - k.nsqsl - k.nykps - k.nsdsl), 2) AS NUMERIC(18,2)) AS nkykc,
       CAST(MAX(k.ndj) AS NUMERIC(18,2)) AS ndj,
       CAST(round(SUM(k.njcsl), 2) AS NUMERIC(18,2)) AS njcsl
  FROM dbj030 k
 GROUP BY k.cgsh, k.ccph;
