#!/usr/bin/env bash
# Makes one store per schema version, each with the same few rows, for the
# upgrade tests:
#   v0.mdb  the stores of earlier program versions: the tables of version 1,
#           no application id, user_version 0
#   v1.mdb  version 1: src/store/schema.sql without the sections of later
#           versions (from the line "-- Version 3:" on), its number columns
#           checked by "typeof(x) IN (...)" as version 1 wrote them
#   v3.mdb  version 3: the schema without the sections from "-- Version 4:"
#           on, with two recorded upload files whose instructions are rows of
#           upload_item (added out of order; a name with a TAB, a backslash
#           and a line break, empty names and remarks) and one file without
#           instructions
# Run from anywhere: bash tests/data/stores/make-stores.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
schema=$here/../../../src/store/schema.sql
rows="
INSERT INTO pay_acc (acc_no, acc_name, currency) VALUES ('6222000011112222', '上海测试有限公司', '01');
INSERT INTO payee_acc (acc_no, acc_name, acc_type, branch_id, area_no, net_no)
  VALUES ('6222000033334444', '北京收款有限公司', '0', '', '', '');
INSERT INTO person_payee_acc (person_no, group_no, acc_no, acc_name, employee_no, acc_type, net_no, mul_net_no, cert_type, cert_code)
  VALUES (1, '1', '6222000055556666', '张三', 'E001', '0', '', '', '1', '110101199001011234');
INSERT INTO user_remark (remark) VALUES ('工资');
INSERT INTO payment (serial_no, pay_acc_no, pay_acc_name, rec_acc_type, rec_acc_no, rec_acc_name, rec_bank_id, rec_area_no, rec_net_no, pay_amt, remark, user_remark)
  VALUES ('2024010112000000000001', '6222000011112222', '上海测试有限公司', '0', '6222000033334444', '北京收款有限公司', '', '', '', 1234.5, '货款', '货款');
INSERT INTO laborage (serial_no, acc_no, pay_amount, acc_type, net_no, remark)
  VALUES (1, '6222000055556666', 8000.01, '0', '', '工资');
"
history="
INSERT INTO upload_file (file_id, made_at, kind, file_path, item_count, total_fen, sha256, batch_key, item_keys)
  VALUES (1, 1750000000, 'payment-csv', 'C:\\上传\\batch.csv', 3, 10001, '$(printf 'a%.0s' {1..64})', '3-k1', 'AAAA'),
         (2, 1750003600, 'payroll-xls', '/home/会计/代发.xls', 1, 800001, '$(printf 'b%.0s' {1..64})', '1-k2', 'BBBB'),
         (3, 1750007200, 'payroll-csv', 'empty.csv', 0, 0, '$(printf 'c%.0s' {1..64})', '0-k3', '');
INSERT INTO upload_item (file_id, seq, acc_no, acc_name, amount_fen, remark) VALUES
  (1, 3, '6222000033334446', '王' || char(9) || '五\\', 1, 'a' || char(13) || char(10) || 'b'),
  (1, 1, '6222000033334444', '北京收款有限公司', 9999, '货款'),
  (2, 1, '6222000055556666', NULL, 800001, NULL),
  (1, 2, '6222000033334445', '', 1, '');
"
rm -f "$here/v0.mdb" "$here/v1.mdb" "$here/v3.mdb"
v1_schema=$(sed -e '/^-- Version 3:/,$d' -e 's/^PRAGMA user_version = .*/PRAGMA user_version = 1;/' \
    -e "s/typeof(\([a-z_]*\)) = 'integer' OR typeof([a-z_]*) = 'real' OR typeof([a-z_]*) = 'null'/typeof(\1) IN ('integer', 'real', 'null')/" \
    "$schema")
{ grep -v '^PRAGMA' <<<"$v1_schema"; echo "$rows"; } | sqlite3 "$here/v0.mdb"
{ cat <<<"$v1_schema"; echo "$rows"; } | sqlite3 "$here/v1.mdb"
v3_schema=$(sed -e '/^-- Version 4:/,$d' -e 's/^PRAGMA user_version = .*/PRAGMA user_version = 3;/' "$schema")
{ cat <<<"$v3_schema"; echo "$rows"; echo "$history"; } | sqlite3 "$here/v3.mdb"
