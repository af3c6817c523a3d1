-- Rows the translation cases run against, the same on every backend. Every row has a purpose,
-- stated beside it. Company 01 is the user's; company 02 holds look-alike rows that every
-- company condition must leave out.

-- Parts. A001 exists in both companies, so a join that forgets the company doubles rows.
-- A002 is disabled. B999 (stocked below) is missing on purpose.
INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, cjldw, ccjh, ccxh, cflh, lcyjbs, ncgdj, nckdj, nwxdj, ncbgx, ncbdx, ckmzh, ltybs) VALUES
  ('01', 'A001', '机油滤清器', 'JYLQQ', 'PC', 'F-100', '01', '001', 1, 4.00, 6.50, 7.20, 50, 5, 'K1', 0),
  ('01', 'A002', 'Brake pad', 'SCP', 'SET', 'B-200', '02', '002', 0, 20.00, 25.00, 30.00, 0, 0, '', 1),
  ('01', 'C003', 'Wiper', 'YSQ', 'PC', 'W-300', '01', '001', 0, 8.00, 9.00, 10.00, 0, 0, 'K1', 0),
  ('02', 'A001', 'Oil filter 02', 'JYLQQ', 'PC', 'F-100', '01', '001', 1, 4.10, 6.60, 7.30, 10, 1, 'K2', 0);

-- Stock records.
INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl, nsdsl, nsqsl, nykps, ntzs, nqcsl, nbqrk, nbqck, njcsl, ndj) VALUES
  -- in stock: 10 on hand, 7 available
  ('01', '01', 'A001', '01', 'L1', 10, 1, 2, 0, 0, 8, 5, 3, 0, 5.50),
  -- part missing from dbj002: outer joins keep it with empty part data
  ('01', '01', 'B999', '01', 'L2', 3, 0, 0, 0, 0, 3, 0, 0, 1, 2.00),
  -- no stock but available -1: kept by the stock list, not a zero-stock row
  ('01', '02', 'A001', '02', 'M1', 0, 0, 0, 1, 0, 0, 0, 0, 0, 5.50),
  -- every quantity 0 and on no document: an empty record
  ('01', '02', 'A002', '02', 'M2', 0, 0, 0, 0, 0, 0, 0, 0, 0, 20.00),
  -- every quantity 0 but received and issued this period: not empty
  ('01', '01', 'A002', '01', 'L1', 0, 0, 0, 0, 0, 0, 5, 5, 0, 20.00),
  -- every quantity 0 but listed on document D1 (company 01, warehouse 01): not empty
  ('01', '01', 'C003', '01', 'L3', 0, 0, 0, 0, 0, 0, 0, 0, 0, 8.00),
  -- the same part in warehouse 02, where no document lists it: empty
  ('01', '02', 'C003', '03', 'M3', 0, 0, 0, 0, 0, 0, 0, 0, 0, 8.00),
  -- another company
  ('02', '01', 'A001', '01', 'L1', 7, 0, 0, 0, 0, 7, 0, 0, 0, 5.60);

-- Documents: D1 lists C003 for company 01 warehouse 01; D2 lists A002 for company 02 only.
INSERT INTO dbj028 (crcdh, cgsh, ckh) VALUES ('D1', '01', '01'), ('D2', '02', '02');
INSERT INTO dbj029 (crcdh, nhh, ccph) VALUES ('D1', 1, 'C003'), ('D2', 1, 'A002');

-- Stocktaking of 2026-12-08 in company 01 (a and b), with rows each list must leave out.
INSERT INTO dbj032 (cgsh, drq, ckh, ckqh, ckwh, ccph, nzmsl, nspsl, ncsl, ndj, crym, lpfbs) VALUES
  -- a: counted by a known user
  ('01', '2026-12-08 09:30:00', '01', '01', 'L1', 'A001', 10, 9, -1, 5.50, 'U01', 0),
  -- b: part missing from dbj002, counter missing from DXT004
  ('01', '2026-12-08 15:00:00', '01', '01', 'L2', 'B999', 3, 3, 0, 2.00, 'U99', 0),
  -- another day
  ('01', '2026-12-07 10:00:00', '01', '01', 'L1', 'A001', 10, 10, 0, 5.50, 'U01', 0),
  -- the same day but lpfbs 1
  ('01', '2026-12-08 11:00:00', '02', '02', 'M1', 'A001', 0, 0, 0, 5.50, 'U01', 1),
  -- counted by a user missing from DXT004
  ('01', '2026-12-09 08:00:00', '01', '01', 'L3', 'C003', 0, 0, 0, 8.00, 'U77', 0),
  -- another company
  ('02', '2026-12-08 10:00:00', '01', '01', 'L1', 'A001', 7, 7, 0, 5.60, 'U01', 0);

-- U01 exists in both companies under different names: the user join needs the company.
INSERT INTO DXT004 (CGSH, CYHDM, CYHXM) VALUES ('01', 'U01', '张三'), ('02', 'U01', '李四');

-- Codes for the existence checks; each table has a disabled code.
INSERT INTO dbj001 (cgsh, cflh, cflmc, ltybs) VALUES ('01', '001', 'Filters', 0), ('01', '009', 'Old', 1);
INSERT INTO dbj003 (cgsh, ckh, ckmc, ltybs) VALUES ('01', '01', 'Main', 0), ('01', '02', 'Second', 0), ('01', '09', 'Closed', 1);
INSERT INTO dbj004 (ckqh, ckqmc) VALUES ('01', 'Zone A');
INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES
  ('01', '01', '01', 'L1', 1, 0),
  ('01', '02', '02', 'M2', 1, 0),
  ('01', '01', '01', 'L9', 0, 1);
INSERT INTO dxl002 (cgsh, ccxh, ccxmc, ltybs) VALUES ('01', '01', 'Sedan', 0), ('01', '09', 'Old', 1);

-- One cost revision already logged (nsxh 1).
INSERT INTO dbj060 (cgsh, drq, cczr, ckh, ccph, cny, nydj, nxdj, ntzje, cbs, lbs, nsxh1) VALUES
  ('01', '2026-12-01 10:00:00', 'admin', '', 'A001', '202612', 5.00, 5.50, 5.00, '3', '0', 0);

-- One restore message (error_time 1).
INSERT INTO error (error_text) VALUES ('done');

-- Posting settings.
INSERT INTO dxt002 (cgsh, lcwaz) VALUES ('01', 1);
INSERT INTO dbj013 (cgsh, cqspzz) VALUES ('01', 'JZ');
INSERT INTO dzz001 (cgsh, lkhly) VALUES ('01', 1);
INSERT INTO dzz006 (cgsh, ckmz, cchkm, cxscbkm) VALUES ('01', 'K1', '1243', '5401');
INSERT INTO dzz007 (cgsh, ckjn, ckjy, cpzz, nzdpzh) VALUES ('01', '2026', '12', 'JZ', 41);
INSERT INTO dzz008 (cgsh, ckjn, ckjy, cpzz, npzh) VALUES ('01', '2026', '12', 'JZ', 17), ('01', '2026', '12', 'JZ', 12);
