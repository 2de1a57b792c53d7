# Writes the roster workbooks whose cells hold error values, as a spreadsheet
# program saves a sheet in which a formula failed or an error was typed.
# Needs python3-xlwt; run in this folder: python3 make_roster_hostile.py
import struct, xlwt

def roster(path, rows, errors=(), formula_errors=()):
    """rows: lists of (group, account, name, employee number); errors: (row, col,
    code) BOOLERR error cells; formula_errors: (row, col, formula, code) formula
    cells whose last computed result is an error. Rows and columns count from 0."""
    wb = xlwt.Workbook(encoding='utf-8')
    ws = wb.add_sheet('名册')
    for r, values in enumerate(rows):
        for c, value in enumerate(values):
            if value is not None:
                ws.write(r, c, value)
    for r, c, code in errors:
        ws.row(r).set_cell_error(c, code)
    for r, c, formula, code in formula_errors:
        ws.write(r, c, xlwt.Formula(formula))
    wb.save(path)
    for r, c, formula, code in formula_errors:
        patch_formula_error(path, r, c, code)

def patch_formula_error(path, row, col, code):
    """Give xlwt's FORMULA record at (row, col) a cached error result."""
    data = bytearray(open(path, 'rb').read())
    i = 0
    hits = 0
    while True:
        i = data.find(b'\x06\x00', i)
        if i < 0:
            break
        length = struct.unpack_from('<H', data, i + 2)[0]
        r, c = struct.unpack_from('<HH', data, i + 4)
        if 20 <= length < 200 and r == row and c == col:
            data[i + 4 + 6:i + 4 + 14] = bytes([2, 0, code, 0, 0, 0, 0xFF, 0xFF])
            hits += 1
        i += 2
    assert hits == 1, hits
    open(path, 'wb').write(data)

# BIFF error codes.
NULL, DIV0, VALUE, REF, NAME, NUM, NA = 0x00, 0x07, 0x0F, 0x17, 0x1D, 0x24, 0x2A

# Row 2: the name is the error "#DIV/0!".
roster('roster_error_name.xls',
       [['一组', '6222000000000001', '张三', '1001'], ['一组', '6222000000000002', None, '1002']],
       errors=[(1, 2, DIV0)])
# Row 1: the account is the error "#N/A".
roster('roster_error_account.xls', [['一组', None, '张三', '1001']], errors=[(0, 1, NA)])
# Row 1: the group is the error "#REF!" (column A is not empty: the row is read).
roster('roster_error_group.xls', [[None, '6222000000000001', '张三', '1001']], errors=[(0, 0, REF)])
# Row 2: the employee number is a formula whose result is "#VALUE!".
roster('roster_error_formula.xls',
       [['一组', '6222000000000001', '张三', '1001'], ['一组', '6222000000000002', '李四', None]],
       formula_errors=[(1, 3, 'C2+1', VALUE)])
