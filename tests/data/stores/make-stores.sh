#!/usr/bin/env bash
# Makes one store per schema version, each with the same few rows, for the
# upgrade tests:
#   v0.mdb  the stores of earlier program versions: the tables of version 1,
#           no application id, user_version 0
#   v1.mdb  version 1: src/store/schema.sql without the sections of later
#           versions (from the line "-- Version 3:" on), its number columns
#           checked by "typeof(x) IN (...)" as version 1 wrote them
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
rm -f "$here/v0.mdb" "$here/v1.mdb"
v1_schema=$(sed -e '/^-- Version 3:/,$d' -e 's/^PRAGMA user_version = .*/PRAGMA user_version = 1;/' \
    -e "s/typeof(\([a-z_]*\)) = 'integer' OR typeof([a-z_]*) = 'real' OR typeof([a-z_]*) = 'null'/typeof(\1) IN ('integer', 'real', 'null')/" \
    "$schema")
{ grep -v '^PRAGMA' <<<"$v1_schema"; echo "$rows"; } | sqlite3 "$here/v0.mdb"
{ cat <<<"$v1_schema"; echo "$rows"; } | sqlite3 "$here/v1.mdb"
