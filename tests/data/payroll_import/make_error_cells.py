# Payroll workbooks whose cells hold spreadsheet error values, as a sheet does
# after a lookup or a division fails. Needs the python3-xlwt package:
#   python3 make_error_cells.py
import struct, xlwt

# BIFF8 error codes (xlwt's own table maps some names to the wrong codes).
ERROR_CODES = {'#NULL!': 0x00, '#DIV/0!': 0x07, '#VALUE!': 0x0F, '#REF!': 0x17,
               '#NAME?': 0x1D, '#NUM!': 0x24, '#N/A': 0x2A}

def give_formula_error(path, row, col, error):
    """Give xlwt's FORMULA record at (row, col) a cached error result, as a
    spreadsheet program that calculated it would."""
    data = bytearray(open(path, 'rb').read())
    hits = 0
    i = 0
    while True:
        i = data.find(b'\x06\x00', i)
        if i < 0:
            break
        length = struct.unpack_from('<H', data, i + 2)[0]
        r, c = struct.unpack_from('<HH', data, i + 4)
        if 20 <= length < 200 and r == row and c == col:
            result = bytes([2, 0, ERROR_CODES[error], 0, 0, 0]) + b'\xff\xff'
            data[i + 4 + 6:i + 4 + 14] = result
            hits += 1
        i += 2
    assert hits == 1, hits
    open(path, 'wb').write(data)

def sheet():
    wb = xlwt.Workbook(encoding='utf-8')
    return wb, wb.add_sheet('工资')

# A header row; the second record's name is the error value #N/A.
wb, ws = sheet()
for c, v in enumerate(['账号', '户名', '金额']):
    ws.write(0, c, v)
ws.write(1, 0, '6217000000000001'); ws.write(1, 1, '新人'); ws.write(1, 2, '10.00')
ws.write(2, 0, '6217000000000002'); ws.row(2).set_cell_error(1, ERROR_CODES['#N/A']); ws.write(2, 2, '20.00')
wb.save('error_name.xls')

# No header row; the second record's account is the error value #REF!.
wb, ws = sheet()
ws.write(0, 0, '6217000000000001'); ws.write(0, 1, '新人'); ws.write(0, 2, '10.00')
ws.row(1).set_cell_error(0, ERROR_CODES['#REF!']); ws.write(1, 1, '乙'); ws.write(1, 2, '20.00')
wb.save('error_account.xls')

# A header row; the first record's amount is a formula whose result is #DIV/0!.
wb, ws = sheet()
for c, v in enumerate(['账号', '户名', '金额']):
    ws.write(0, c, v)
ws.write(1, 0, '6217000000000001'); ws.write(1, 1, '新人'); ws.write(1, 2, xlwt.Formula('1/0'))
wb.save('error_amount_formula.xls')
give_formula_error('error_amount_formula.xls', 1, 2, '#DIV/0!')
