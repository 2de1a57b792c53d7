#!/usr/bin/python3
"""Makes the .xlsx fixtures of the workbook reader tests, each beside the cells it
must read as (NAME.expected.tsv) or the refusal it must give (NAME.error, a note
for people; the tests hold the messages).

Needs Debian's gnumeric (ssconvert), python3-openpyxl and libgsf-bin (gsf):
    apt-get install gnumeric python3-openpyxl libgsf-bin
Run from anywhere:  /usr/bin/python3 tests/data/xlsx/make.py

Expected cells of the files other programs wrote are read back with openpyxl
(data_only, so formulas give their cached values); those of the files written
here by hand are listed beside their XML. Numbers are written as the reader
gives them: rounded to 15 significant digits, whole numbers as plain digits,
others as the shortest plain decimal.
"""

import datetime
import decimal
import os
import shutil
import struct
import subprocess
import tempfile
import zipfile

import openpyxl
from openpyxl.utils.datetime import to_excel

HERE = os.path.dirname(os.path.abspath(__file__))
XLS = os.path.join(HERE, '..', 'xls')

MAIN = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'
REL = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
STRICT_MAIN = 'http://purl.oclc.org/ooxml/spreadsheetml/main'
STRICT_REL = 'http://purl.oclc.org/ooxml/officeDocument/relationships'
PKG_REL = 'http://schemas.openxmlformats.org/package/2006/relationships'


def path(name):
    return os.path.join(HERE, name)


def number_text(v):
    v = float(v)
    if v == 0:
        return '0'
    s = '%.14e' % v
    mantissa, exponent = s.split('e')
    exponent = int(exponent)
    if exponent < 15:
        r = float(s)
        if r == int(r):
            return str(int(r))
        return format(decimal.Decimal(repr(r)), 'f')
    digits = mantissa.replace('-', '').replace('.', '').rstrip('0')
    return ('-' if v < 0 else '') + digits + '0' * (exponent + 1 - len(digits))


def escaped(s):
    return s.replace('\\', '\\\\').replace('\t', '\\t').replace('\n', '\\n').replace('\r', '\\r')


def write_expected(name, sheet_index, cells):
    with open(path(name + '.expected.tsv'), 'w', encoding='utf-8', newline='\n') as f:
        f.write('# active-sheet: %d\n' % sheet_index)
        for row, column, kind, text in sorted(cells):
            f.write('%d\t%d\t%s\t%s\n' % (row, column, kind, escaped(text)))


def expected_by_openpyxl(name, sheet_index=None):
    """The cells openpyxl reads from the fixture's active (or given) sheet."""
    wb = openpyxl.load_workbook(path(name), data_only=True)
    if sheet_index is None:
        sheet_index = wb.index(wb.active)
    ws = wb.worksheets[sheet_index]
    cells = []
    for row in ws.iter_rows():
        for cell in row:
            v = cell.value
            if v is None or v == '':
                continue
            if cell.data_type == 'e':
                cells.append((cell.row, cell.column, 'error', v))
            elif isinstance(v, bool):
                cells.append((cell.row, cell.column, 'number', '1' if v else '0'))
            elif isinstance(v, (datetime.datetime, datetime.date, datetime.time)):
                cells.append((cell.row, cell.column, 'number', number_text(to_excel(v))))
            elif isinstance(v, (int, float)):
                cells.append((cell.row, cell.column, 'number', number_text(v)))
            else:
                cells.append((cell.row, cell.column, 'text', str(v)))
    write_expected(name[:-5] if name.endswith('.xlsx') else name, sheet_index, cells)


def write_zip(name, parts, compression=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(path(name), 'w', compression) as z:
        for part, data in parts.items():
            info = zipfile.ZipInfo(part, date_time=(2024, 3, 15, 9, 30, 0))
            info.compress_type = compression
            z.writestr(info, data.encode('utf-8') if isinstance(data, str) else data)


def note(name, text):
    with open(path(name + '.error'), 'w', encoding='utf-8', newline='\n') as f:
        f.write(text + '\n')


# ---- packages written by hand ---------------------------------------------

def content_types(sheets, shared_strings=True):
    overrides = ''.join(
        '<Override PartName="/%s" ContentType="application/vnd.openxmlformats-officedocument.'
        'spreadsheetml.worksheet+xml"/>' % s for s in sheets)
    if shared_strings:
        overrides += ('<Override PartName="/xl/sharedStrings.xml" ContentType="application/'
                      'vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>')
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>'
            '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.'
            'spreadsheetml.sheet.main+xml"/>' + overrides + '</Types>')


def rels(items, rel=REL):
    body = ''.join('<Relationship Id="%s" Type="%s/%s" Target="%s"/>' % (i, rel, kind, target)
                   for i, kind, target in items)
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<Relationships xmlns="%s">%s</Relationships>' % (PKG_REL, body))


def worksheet(rows_xml, main=MAIN, extra_before='', extra_after=''):
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<worksheet xmlns="%s" xmlns:r="%s">%s<sheetData>%s</sheetData>%s</worksheet>'
            % (main, REL if main == MAIN else STRICT_REL, extra_before, rows_xml, extra_after))


def simple_package(sheet_xml, shared=None, sheet_part='xl/worksheets/sheet1.xml'):
    parts = {
        '[Content_Types].xml': content_types([sheet_part], shared is not None),
        '_rels/.rels': rels([('rId1', 'officeDocument', 'xl/workbook.xml')]),
        'xl/workbook.xml': '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                           '<workbook xmlns="%s" xmlns:r="%s"><sheets>'
                           '<sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>' % (MAIN, REL),
        'xl/_rels/workbook.xml.rels': rels([('rId1', 'worksheet', 'worksheets/sheet1.xml')]
                                           + ([('rId2', 'sharedStrings', 'sharedStrings.xml')] if shared else [])),
        sheet_part: sheet_xml,
    }
    if shared is not None:
        parts['xl/sharedStrings.xml'] = shared
    return parts


def make_handmade_rich():
    """Shared strings with rich-text and phonetic runs, inline strings, cached
    formula results of every type, cells and rows without references, escapes and
    whitespace; the active sheet is the third, reached through a relationship
    whose target is percent-escaped, while sheet1.xml is a hidden sheet."""
    sst = [
        '<si><t>账号</t></si>',
        '<si><t>户名</t></si>',
        '<si><r><rPr><b/><sz val="11"/></rPr><t>张</t></r><r><t xml:space="preserve"> 伟 </t></r></si>',
        '<si><t>李娜</t><rPh sb="0" eb="2"><t>リナ</t></rPh><phoneticPr fontId="1"/></si>',
        '<si><t>第一行_x000D_&#10;第二行</t></si>',
        '<si><t>_x005F_x0041_ 与 _x0041_</t></si>',
        '<si><t xml:space="preserve">   </t></si>',
        '<si><t>  两端空格  </t></si>',
        '<si><t/></si>',
        '<si><t><![CDATA[<不是标签> & 符号]]></t></si>',
        '<si><t>6222020200001234567</t></si>',
        '<si><r><t>陈</t></r><r><rPr><i/></rPr><t>𫖮</t></r></si>',
    ]
    shared = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
              '<sst xmlns="%s" count="14" uniqueCount="%d">%s</sst>' % (MAIN, len(sst), '\n'.join(sst)))
    rows = '\n'.join([
        '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c>'
        '<c r="C1" t="inlineStr"><is><t>实发金额</t></is></c></row>',
        '<row r="2" spans="1:4"><c r="B2" t="s"><v>2</v></c><c r="A2" t="s"><v>10</v></c>'
        '<c r="C2" s="1"><v>4234.5</v></c><c r="D2" s="1"/></row>',
        '<row><c t="s"><v>11</v></c><c t="s"><v>3</v></c><c><v>1.5E+3</v></c></row>',
        '<row r="5"><c r="A5" t="inlineStr"><is><r><t>内联</t></r><r><rPr><b/></rPr>'
        '<t xml:space="preserve"> 富文本</t></r><rPh sb="0" eb="1"><t>ない</t></rPh></is></c>'
        '<c r="B5" t="s"><v>4</v></c><c r="C5"><f>0.1+0.2</f><v>0.30000000000000004</v></c></row>',
        '<row r="6"><c r="A6" t="str"><f>A1&amp;"x"</f><v>账号x</v></c><c r="B6" t="b"><f>1=1</f><v>1</v></c>'
        '<c r="C6" t="e"><f>1/0</f><v>#DIV/0!</v></c><c r="D6" t="b"><v>0</v></c>'
        '<c r="E6" t="e"><v>#N/A</v></c></row>',
        '<row r="7"><c r="A7"><f t="shared" ref="A7:A8" si="0">ROW()*2</f><v>14</v></c>'
        '<c r="B7" t="s"><v>5</v></c><c r="C7"><v>-0</v></c><c r="D7"><v>6.2220202000012346E+18</v></c>'
        '<c r="E7"><v>1E-7</v></c></row>',
        '<row r="8"><c r="A8"><f t="shared" si="0"/><v>16</v></c><c r="B8" t="s"><v>6</v></c>'
        '<c r="C8" t="s"><v>7</v></c><c r="D8" t="s"><v>8</v></c><c r="E8" t="s"><v>9</v></c></row>',
        '<row r="9"><c r="A9" t="str"><f>""</f><v></v></c><c r="B9" t="inlineStr"><is><t>行内_x000d_回车</t></is></c>'
        '<c r="C9"><v> 1234.56 </v></c></row>',
        '<row r="10"/>',
        '<row r="11"><c r="A11" s="3"/></row>',
        '<row r="1048576"><c r="XFD1048576" t="inlineStr"><is><t>最后一格</t></is></c></row>',
    ])
    active = worksheet(rows,
                       extra_before='<dimension ref="A1:XFD1048576"/><sheetViews><sheetView workbookViewId="0"/>'
                                    '</sheetViews><cols><col min="1" max="1" width="20"/></cols>',
                       extra_after='<mergeCells count="1"><mergeCell ref="D9:E9"/></mergeCells>'
                                   '<extLst><ext uri="{x}"><row r="1"><c r="A1"><v>9</v></c></row></ext></extLst>')
    hidden = worksheet('<row r="1"><c r="A1" t="inlineStr"><is><t>隐藏</t></is></c></row>')
    cover = worksheet('<row r="1"><c r="A1" t="inlineStr"><is><t>封面</t></is></c></row>')
    parts = {
        '[Content_Types].xml': content_types(['xl/worksheets/sheet1.xml', 'xl/worksheets/工资.xml',
                                              'xl/worksheets/sheet3.xml']),
        '_rels/.rels': rels([('rId1', 'officeDocument', '/xl/workbook.xml')]),
        'xl/workbook.xml': '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                           '<workbook xmlns="%s" xmlns:r="%s"><bookViews><workbookView activeTab="2"/></bookViews>'
                           '<sheets><sheet name="封面" sheetId="1" r:id="rId3"/>'
                           '<sheet name="隐藏" sheetId="2" state="hidden" r:id="rId1"/>'
                           '<sheet name="工资表" sheetId="5" r:id="rId2"/></sheets></workbook>' % (MAIN, REL),
        'xl/_rels/workbook.xml.rels': rels([('rId1', 'worksheet', 'worksheets/sheet1.xml'),
                                            ('rId2', 'worksheet', 'worksheets/%E5%B7%A5%E8%B5%84.xml'),
                                            ('rId3', 'worksheet', '/xl/worksheets/sheet3.xml'),
                                            ('rId4', 'sharedStrings', 'sharedStrings.xml')]),
        'xl/sharedStrings.xml': shared,
        'xl/worksheets/sheet1.xml': hidden,
        'xl/worksheets/工资.xml': active,
        'xl/worksheets/sheet3.xml': cover,
    }
    write_zip('handmade_rich.xlsx', parts)
    write_expected('handmade_rich', 2, [
        (1, 1, 'text', '账号'), (1, 2, 'text', '户名'), (1, 3, 'text', '实发金额'),
        (2, 1, 'text', '6222020200001234567'), (2, 2, 'text', '张 伟 '), (2, 3, 'number', '4234.5'),
        (3, 1, 'text', '陈𫖮'), (3, 2, 'text', '李娜'), (3, 3, 'number', '1500'),
        (5, 1, 'text', '内联 富文本'), (5, 2, 'text', '第一行\r\n第二行'), (5, 3, 'number', '0.3'),
        (6, 1, 'text', '账号x'), (6, 2, 'number', '1'), (6, 3, 'error', '#DIV/0!'), (6, 4, 'number', '0'),
        (6, 5, 'error', '#N/A'),
        (7, 1, 'number', '14'), (7, 2, 'text', '_x0041_ 与 A'), (7, 3, 'number', '0'),
        (7, 4, 'number', '6222020200001230000'), (7, 5, 'number', '0.0000001'),
        (8, 1, 'number', '16'), (8, 2, 'text', '   '), (8, 3, 'text', '  两端空格  '),
        (8, 5, 'text', '<不是标签> & 符号'),
        (9, 2, 'text', '行内\r回车'), (9, 3, 'number', '1234.56'),
        (1048576, 16384, 'text', '最后一格'),
    ])
    return parts


def make_strict():
    """A workbook saved as strict Open XML: other namespaces, same structure."""
    shared = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
              '<sst xmlns="%s" count="2" uniqueCount="2"><si><t>赵喆</t></si><si><t>6228480012345678</t></si></sst>'
              % STRICT_MAIN)
    sheet = worksheet('<row r="1"><c r="A1" t="s"><v>1</v></c><c r="B1" t="s"><v>0</v></c><c r="C1"><v>750</v></c>'
                      '<c r="D1" t="b"><v>1</v></c></row>'
                      '<row r="2"><c r="A2" t="inlineStr"><is><t>合计</t></is></c><c r="C2"><f>C1</f><v>750</v></c>'
                      '</row>', main=STRICT_MAIN)
    parts = {
        '[Content_Types].xml': content_types(['xl/worksheets/sheet1.xml']),
        '_rels/.rels': rels([('rId1', 'officeDocument', 'xl/workbook.xml')], rel=STRICT_REL),
        'xl/workbook.xml': '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                           '<workbook xmlns="%s" xmlns:r="%s" conformance="strict"><bookViews><workbookView/>'
                           '</bookViews><sheets><sheet name="名册" sheetId="1" r:id="rId1"/></sheets></workbook>'
                           % (STRICT_MAIN, STRICT_REL),
        'xl/_rels/workbook.xml.rels': rels([('rId1', 'worksheet', 'worksheets/sheet1.xml'),
                                            ('rId2', 'sharedStrings', 'sharedStrings.xml')], rel=STRICT_REL),
        'xl/sharedStrings.xml': shared,
        'xl/worksheets/sheet1.xml': sheet,
    }
    write_zip('strict_ooxml.xlsx', parts)
    write_expected('strict_ooxml', 0, [
        (1, 1, 'text', '6228480012345678'), (1, 2, 'text', '赵喆'), (1, 3, 'number', '750'), (1, 4, 'number', '1'),
        (2, 1, 'text', '合计'), (2, 3, 'number', '750'),
    ])


# ---- files other programs wrote ---------------------------------------------

def make_ssconvert():
    for source, name in (('ssconvert_roster.xls', 'ssconvert_roster.xlsx'),
                         ('lo_formulas.xls', 'ssconvert_payroll.xlsx')):
        target = path(name)
        if os.path.exists(target):
            os.remove(target)
        subprocess.run(['ssconvert', '--export-type=Gnumeric_Excel:xlsx2', os.path.join(XLS, source), target],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        expected_by_openpyxl(name)


def make_openpyxl():
    wb = openpyxl.Workbook()
    notes = wb.active
    notes.title = '说明'
    notes['A1'] = '本工作表隐藏'
    notes.sheet_state = 'hidden'
    pay = wb.create_sheet('工资')
    pay.append(['账号', '户名', '金额', '已核对', '备注'])
    pay.append(['6222021234567890123', '张伟', 4234.5, True, '  两端空格  '])
    pay.append(['0012345678901234', '陈𫖮', 0.1 + 0.2, False, '多段\n第二段'])
    pay.append([6222020200001234567, '王芳', 100000000000, None, '#DIV/0!'])
    pay.append(['6228480012345678', '买买提·艾力', 1e-7, None, '#N/A'])
    pay.append([None, None, -0.07])
    pay['A8'] = '合计'
    pay['C8'] = 1234567.891
    other = wb.create_sheet('备用')
    other['A1'] = '不应读到'
    wb.active = 1
    wb.save(path('openpyxl_types.xlsx'))
    expected_by_openpyxl('openpyxl_types.xlsx')

    # The same kind of workbook without an active tab: the first shown sheet is read.
    wb = openpyxl.Workbook()
    hidden = wb.active
    hidden.title = '隐藏'
    hidden['A1'] = '不应读到'
    hidden.sheet_state = 'hidden'
    roster = wb.create_sheet('名册')
    roster.append(['一组', '6216008466673385', '方思', 20240002])
    roster.append(['二组', '62306964818377095', '杜雪佳', 20240001])
    wb.save(path('openpyxl_hidden_first.xlsx'))
    strip_active_tab('openpyxl_hidden_first.xlsx')
    expected_by_openpyxl('openpyxl_hidden_first.xlsx', sheet_index=1)

    # A formula openpyxl cannot compute: written without a cached result.
    wb = openpyxl.Workbook()
    ws = wb.active
    for r in range(1, 5):
        ws.append(['62220202000012%05d' % r, '员工%d' % r, 1000 + r])
    ws['A5'] = '合计'
    ws['C5'] = '=SUM(C1:C4)'
    wb.save(path('bad_formula_no_value.xlsx'))
    note('bad_formula_no_value', 'refused: openpyxl wrote the formula in C5 without a computed result')


def strip_active_tab(name):
    """Rewrites the package without the activeTab attribute of its workbook view."""
    with zipfile.ZipFile(path(name)) as z:
        parts = {i.filename: z.read(i.filename) for i in z.infolist()}
    wbxml = parts['xl/workbook.xml'].decode('utf-8')
    start = wbxml.index(' activeTab="')
    end = wbxml.index('"', start + len(' activeTab="')) + 1
    parts['xl/workbook.xml'] = wbxml[:start] + wbxml[end:]
    write_zip(name, parts)


# ---- refusals -----------------------------------------------------------------

def patch_sizes(data, part, usize):
    """Sets the uncompressed size of `part` in its local header and directory entry."""
    data = bytearray(data)
    name = part.encode('utf-8')
    local = data.find(b'PK\x03\x04' + b'', 0)
    while local >= 0:
        n = struct.unpack_from('<H', data, local + 26)[0]
        if data[local + 30:local + 30 + n] == name:
            struct.pack_into('<I', data, local + 22, usize)
            break
        local = data.find(b'PK\x03\x04', local + 4)
    central = data.find(b'PK\x01\x02')
    while central >= 0:
        n = struct.unpack_from('<H', data, central + 28)[0]
        if data[central + 46:central + 46 + n] == name:
            struct.pack_into('<I', data, central + 24, usize)
            break
        central = data.find(b'PK\x01\x02', central + 4)
    return bytes(data)


def make_refusals(rich_parts):
    sheet = worksheet('<row r="1"><c r="A1" t="inlineStr"><is><t>账号</t></is></c></row>')

    # An encrypted workbook: a compound file holding EncryptionInfo and EncryptedPackage.
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, 'EncryptionInfo'), 'wb') as f:
            f.write(struct.pack('<HHI', 4, 4, 0x40) + b'\0' * 56)
        with open(os.path.join(tmp, 'EncryptedPackage'), 'wb') as f:
            f.write(struct.pack('<Q', 4096) + bytes((i * 37) & 0xFF for i in range(4096)))
        target = path('bad_encrypted.xlsx')
        if os.path.exists(target):
            os.remove(target)
        subprocess.run(['gsf', 'createole', target, os.path.join(tmp, 'EncryptionInfo'),
                        os.path.join(tmp, 'EncryptedPackage')], check=True, stdout=subprocess.DEVNULL)
    note('bad_encrypted', 'refused: OLE2 compound file with EncryptionInfo and EncryptedPackage streams '
                          '(a password-protected .xlsx)')

    # A zip bomb that says so: 300 MB of blanks in the sheet part.
    parts = simple_package(worksheet('<row r="1"><c r="A1"><v>1</v></c></row>' + ' ' * (300 * 1024 * 1024)))
    with zipfile.ZipFile(path('bad_bomb_declared.xlsx'), 'w', zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for part, data in parts.items():
            z.writestr(zipfile.ZipInfo(part, date_time=(2024, 3, 15, 9, 30, 0)), data.encode('utf-8'),
                       compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
    note('bad_bomb_declared', 'refused: the directory declares 300 MB of content in a file of a few hundred KB')

    # A zip bomb whose headers lie: 20 MB of blanks declared as 1,000 bytes.
    blanks = worksheet('<row r="1"><c r="A1"><v>1</v></c></row>' + ' ' * (20 * 1024 * 1024))
    write_zip('bad_bomb_lying.xlsx', simple_package(blanks))
    with open(path('bad_bomb_lying.xlsx'), 'rb') as f:
        data = patch_sizes(f.read(), 'xl/worksheets/sheet1.xml', 1000)
    with open(path('bad_bomb_lying.xlsx'), 'wb') as f:
        f.write(data)
    note('bad_bomb_lying', 'refused: the sheet part inflates to 20 MB while its headers declare 1,000 bytes')

    # A download cut off halfway.
    with open(path('handmade_rich.xlsx'), 'rb') as f:
        whole = f.read()
    with open(path('bad_truncated.xlsx'), 'wb') as f:
        f.write(whole[:len(whole) // 2])
    note('bad_truncated', 'refused: handmade_rich.xlsx cut to its first half (no zip directory)')

    # A damaged byte in the compressed sheet data.
    data = bytearray(whole)
    name = 'xl/worksheets/工资.xml'.encode('utf-8')
    at = data.find(name) + len(name) + 40
    data[at] ^= 0x5A
    with open(path('bad_damaged_data.xlsx'), 'wb') as f:
        f.write(bytes(data))
    note('bad_damaged_data', 'refused: one byte of the compressed sheet data of handmade_rich.xlsx changed')

    parts = simple_package(sheet)
    del parts['xl/worksheets/sheet1.xml']
    write_zip('bad_no_sheet_part.xlsx', parts)
    note('bad_no_sheet_part', 'refused: the workbook names xl/worksheets/sheet1.xml, the zip lacks it')

    parts = simple_package(sheet)
    del parts['xl/workbook.xml']
    write_zip('bad_no_workbook_part.xlsx', parts)
    note('bad_no_workbook_part', 'refused: a zip package without xl/workbook.xml')

    parts = {
        '[Content_Types].xml': '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.'
                               'openxmlformats.org/package/2006/content-types"/>',
        '_rels/.rels': rels([('rId1', 'officeDocument', 'xl/workbook.bin')]),
        'xl/workbook.bin': bytes([0x83, 0x01, 0x00, 0x80, 0x01, 0x00]),
        'xl/_rels/workbook.bin.rels': rels([('rId1', 'worksheet', 'worksheets/sheet1.bin')]),
        'xl/worksheets/sheet1.bin': bytes([0x81, 0x01, 0x00]),
    }
    write_zip('bad_xlsb.xlsb', parts)
    note('bad_xlsb', 'refused: an Excel binary workbook (xl/workbook.bin)')

    write_zip('bad_malformed_xml.xlsx', simple_package(
        worksheet('<row r="1"><c r="A1"><v>1</v></c>\n<row r="2"><c r="A2"><v>2</v></c></row>')))
    note('bad_malformed_xml', 'refused: the sheet part does not close its first row')

    laughs = ('<?xml version="1.0"?>\n<!DOCTYPE worksheet [<!ENTITY a "哈哈哈哈哈哈哈哈哈哈">'
              '<!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;"><!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">'
              '<!ENTITY d "&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;">]>\n'
              '<worksheet xmlns="%s"><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>&d;</t></is></c></row>'
              '</sheetData></worksheet>' % MAIN)
    write_zip('bad_entities.xlsx', simple_package(laughs))
    note('bad_entities', 'refused: the sheet part declares a DTD with nested entities')

    write_zip('bad_rows_out_of_order.xlsx', simple_package(worksheet(
        '<row r="1"><c r="A1"><v>1</v></c></row><row r="3"><c r="A3"><v>3</v></c></row>'
        '<row r="2"><c r="A2"><v>2</v></c></row>')))
    note('bad_rows_out_of_order', 'refused: row 2 follows row 3')

    write_zip('bad_shared_string_index.xlsx', simple_package(
        worksheet('<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>5</v></c></row>'),
        shared='<sst xmlns="%s"><si><t>唯一</t></si></sst>' % MAIN))
    note('bad_shared_string_index', 'refused: B1 names shared string 5 of 1')


def make_renamed():
    """Files whose names say the other format."""
    shutil.copyfile(path('ssconvert_roster.xlsx'), path('xlsx_named_as.xls'))
    shutil.copyfile(os.path.join(XLS, 'ssconvert_roster.xls'), path('xls_named_as.xlsx'))


def main():
    rich = make_handmade_rich()
    make_strict()
    make_ssconvert()
    make_openpyxl()
    make_refusals(rich)
    make_renamed()


if __name__ == '__main__':
    main()
