-- The store of Qelvora: ten tables, their indexes and the lookup rows the store
-- is delivered with. Number columns refuse values that are not numbers, as a
-- typed column would; quoted decimal texts bound to them are converted by the
-- column's NUMERIC affinity before the check runs.
PRAGMA application_id = 1363496022;
PRAGMA user_version = 4;

CREATE TABLE acc_currency (
    currency_id   TEXT NOT NULL PRIMARY KEY,
    currency_name TEXT NOT NULL
);

CREATE TABLE cert_type (
    cert_type TEXT NOT NULL PRIMARY KEY,
    cert_desc TEXT NOT NULL
);

CREATE TABLE tran_acc_type (
    tran_type TEXT NOT NULL PRIMARY KEY,
    tran_desc TEXT NOT NULL
);

CREATE TABLE pay_acc (
    acc_no   TEXT NOT NULL,
    acc_name TEXT,
    currency TEXT DEFAULT '01'
);
CREATE INDEX pay_acc_acc_no ON pay_acc (acc_no);

CREATE TABLE payee_acc (
    acc_no    TEXT NOT NULL,
    acc_name  TEXT,
    acc_type  TEXT,
    branch_id TEXT,
    area_no   TEXT,
    net_no    TEXT
);
CREATE INDEX payee_acc_acc_no_type ON payee_acc (acc_no, acc_type);
CREATE INDEX payee_acc_acc_type ON payee_acc (acc_type, acc_no);

CREATE TABLE person_payee_acc (
    person_no   NUMERIC CHECK (typeof(person_no) = 'integer' OR typeof(person_no) = 'real' OR typeof(person_no) = 'null'),
    group_no    TEXT,
    acc_no      TEXT NOT NULL,
    acc_name    TEXT,
    employee_no TEXT,
    acc_type    TEXT,
    net_no      TEXT,
    mul_net_no  TEXT,
    cert_type   TEXT,
    cert_code   TEXT
);
CREATE INDEX person_payee_acc_acc_no ON person_payee_acc (acc_no);
CREATE INDEX person_payee_acc_employee_no ON person_payee_acc (employee_no);
CREATE INDEX person_payee_acc_cert ON person_payee_acc (cert_type, cert_code);
CREATE INDEX person_payee_acc_group ON person_payee_acc (group_no, person_no);
CREATE INDEX person_payee_acc_person_no ON person_payee_acc (person_no);

CREATE TABLE user_remark (
    remark TEXT NOT NULL
);
CREATE INDEX user_remark_remark ON user_remark (remark);

CREATE TABLE payment (
    serial_no    TEXT NOT NULL,
    pay_acc_no   TEXT,
    pay_acc_name TEXT,
    rec_acc_type TEXT,
    rec_acc_no   TEXT,
    rec_acc_name TEXT,
    rec_bank_id  TEXT,
    rec_area_no  TEXT,
    rec_net_no   TEXT,
    pay_amt      NUMERIC CHECK (typeof(pay_amt) = 'integer' OR typeof(pay_amt) = 'real' OR typeof(pay_amt) = 'null'),
    remark       TEXT,
    user_remark  TEXT
);
CREATE INDEX payment_serial_no ON payment (serial_no);
CREATE INDEX payment_rec_acc ON payment (rec_acc_type, rec_acc_no);

CREATE TABLE laborage (
    serial_no  NUMERIC CHECK (typeof(serial_no) = 'integer' OR typeof(serial_no) = 'real' OR typeof(serial_no) = 'null'),
    acc_no     TEXT,
    pay_amount NUMERIC CHECK (typeof(pay_amount) = 'integer' OR typeof(pay_amount) = 'real' OR typeof(pay_amount) = 'null'),
    acc_type   TEXT,
    net_no     TEXT,
    remark     TEXT
);
CREATE INDEX laborage_serial_no ON laborage (serial_no);
CREATE INDEX laborage_acc_no ON laborage (acc_no);
CREATE INDEX laborage_acc_type ON laborage (acc_type);

INSERT INTO acc_currency (currency_id, currency_name) VALUES ('01', '人民币');
INSERT INTO acc_currency (currency_id, currency_name) VALUES ('13', '港币');
INSERT INTO acc_currency (currency_id, currency_name) VALUES ('14', '美元');

INSERT INTO cert_type (cert_type, cert_desc) VALUES ('1', '居民身份证');
INSERT INTO cert_type (cert_type, cert_desc) VALUES ('2', '军官证');
INSERT INTO cert_type (cert_type, cert_desc) VALUES ('3', '护照');
INSERT INTO cert_type (cert_type, cert_desc) VALUES ('4', '户口簿');
INSERT INTO cert_type (cert_type, cert_desc) VALUES ('5', '港澳居民来往内地通行证');
INSERT INTO cert_type (cert_type, cert_desc) VALUES ('6', '台湾居民来往大陆通行证');
INSERT INTO cert_type (cert_type, cert_desc) VALUES ('7', '其他');

INSERT INTO tran_acc_type (tran_type, tran_desc) VALUES ('0', '行内');
INSERT INTO tran_acc_type (tran_type, tran_desc) VALUES ('1', '跨行');

-- Version 3: the upload history. Every upload file written, with the time
-- (seconds since 1970-01-01 UTC), its kind, path, count, exact total in fen,
-- the SHA-256 of its bytes, the key of its instruction set (the same for the
-- same accounts and amounts in any order) and the keys of its instructions in
-- file order (8 bytes each, base64), which the duplicate check reads instead
-- of the rows; and each of its instructions.
CREATE TABLE upload_file (
    file_id    INTEGER PRIMARY KEY,
    made_at    INTEGER NOT NULL CHECK (typeof(made_at) = 'integer'),
    kind       TEXT NOT NULL,
    file_path  TEXT NOT NULL,
    item_count INTEGER NOT NULL CHECK (typeof(item_count) = 'integer'),
    total_fen  INTEGER NOT NULL CHECK (typeof(total_fen) = 'integer'),
    sha256     TEXT NOT NULL,
    batch_key  TEXT NOT NULL,
    item_keys  TEXT NOT NULL
);
CREATE INDEX upload_file_made_at ON upload_file (made_at);
CREATE INDEX upload_file_batch_key ON upload_file (batch_key);

CREATE TABLE upload_item (
    file_id    INTEGER NOT NULL,
    seq        INTEGER NOT NULL,
    acc_no     TEXT NOT NULL,
    acc_name   TEXT,
    amount_fen INTEGER NOT NULL CHECK (typeof(amount_fen) = 'integer'),
    remark     TEXT,
    PRIMARY KEY (file_id, seq)
) WITHOUT ROWID;

-- Version 4: a file's instructions are kept in its own row, column items, one
-- line each in file order: account TAB name TAB amount in fen TAB remark LF,
-- with a backslash, TAB, LF or CR inside a field written as \\, \t, \n or \r.
-- Recording a file then writes one row however many instructions it holds.
-- The rows of upload_item move there, and the table goes.
ALTER TABLE upload_file ADD COLUMN items TEXT NOT NULL DEFAULT '';
UPDATE upload_file SET items = coalesce((SELECT group_concat(line, '') FROM (
    SELECT replace(replace(replace(replace(acc_no, '\', '\\'), char(9), '\t'), char(10), '\n'), char(13), '\r') || char(9)
        || replace(replace(replace(replace(coalesce(acc_name, ''), '\', '\\'), char(9), '\t'), char(10), '\n'), char(13), '\r') || char(9)
        || amount_fen || char(9)
        || replace(replace(replace(replace(coalesce(remark, ''), '\', '\\'), char(9), '\t'), char(10), '\n'), char(13), '\r') || char(10) AS line
    FROM upload_item WHERE upload_item.file_id = upload_file.file_id ORDER BY seq)), '');
DROP TABLE upload_item;
