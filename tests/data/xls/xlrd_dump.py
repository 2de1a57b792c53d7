#!/usr/bin/python3
"""Prints every non-empty cell of the first sheet of an .xls file as JSON, as read by xlrd.

Output: {"sheets": N, "nrows": R, "ncols": C, "cells": [[row, col, ctype, value], ...]}
with 0-based rows and columns and xlrd's cell types (1 = text, 2 = number).
"""
import json
import sys

import xlrd

book = xlrd.open_workbook(sys.argv[1])
sheet = book.sheet_by_index(0)
cells = []
for r in range(sheet.nrows):
    for c in range(sheet.ncols):
        cell = sheet.cell(r, c)
        if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
            continue
        cells.append([r, c, cell.ctype, cell.value])
json.dump({"sheets": book.nsheets, "nrows": sheet.nrows, "ncols": sheet.ncols, "cells": cells},
          sys.stdout)
