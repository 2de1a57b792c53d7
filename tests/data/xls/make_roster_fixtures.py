import struct, xlwt

def patch_formula(path, row, col, value):
    """Give xlwt's FORMULA record at (row, col) a cached numeric result, as a
    spreadsheet program that calculated it would."""
    data = bytearray(open(path, 'rb').read())
    needle = struct.pack('<HH', 0x0006, 0)  # id; length unknown
    i = 0
    hits = 0
    while True:
        i = data.find(b'\x06\x00', i)
        if i < 0:
            break
        length = struct.unpack_from('<H', data, i + 2)[0]
        r, c = struct.unpack_from('<HH', data, i + 4)
        if 20 <= length < 200 and r == row and c == col:
            struct.pack_into('<d', data, i + 4 + 6, value)
            hits += 1
        i += 2
    assert hits == 1, hits
    open(path, 'wb').write(data)

# Roster with a formula cell and a row whose column A is empty.
wb = xlwt.Workbook(encoding='utf-8')
ws = wb.add_sheet('名册')
ws.write(0, 0, '一组'); ws.write(0, 1, '6222000000000001'); ws.write(0, 2, '张三'); ws.write(0, 3, 1001)
ws.write(1, 0, '一组'); ws.write(1, 1, '6222000000000002'); ws.write(1, 2, '李四'); ws.write(1, 3, xlwt.Formula('D1+1'))
ws.write(2, 1, '6222000000000003'); ws.write(2, 2, '王五'); ws.write(2, 3, 1003)
ws.write(3, 0, '二组'); ws.write(3, 1, '6222000000000004'); ws.write(3, 2, '赵六'); ws.write(3, 3, 1004)
wb.save('roster_formula_gap.xls')
patch_formula('roster_formula_gap.xls', 1, 3, 1002.0)

# Roster whose second account was typed as a number: 16 digits, the last one lost.
wb = xlwt.Workbook(encoding='utf-8')
ws = wb.add_sheet('名册')
ws.write(0, 0, '一组'); ws.write(0, 1, '6222000000000011'); ws.write(0, 2, '张三'); ws.write(0, 3, '2001')
ws.write(1, 0, '一组'); ws.write(1, 1, 6222000000000012); ws.write(1, 2, '李四'); ws.write(1, 3, '2002')
wb.save('roster_numeric_account.xls')
