#!/usr/bin/python3
"""Writes the source fixtures of the reader and loader tests into this folder.

Run it from anywhere with Debian's python3-xlwt installed (/usr/bin/python3 make_fixtures.py); the files it
writes are kept in the repository, so the tests never need it. Every sheet is small and holds data a Tally
company could import: masters, plain transactions with continuation rows, a voucher register with its map.
"""

import datetime
import os

import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))
DATE = xlwt.easyxf(num_format_str='DD/MM/YYYY')
DATETIME = xlwt.easyxf(num_format_str='DD/MM/YYYY HH:MM')
TIME = xlwt.easyxf(num_format_str='HH:MM')


def write_sheet(book, name, rows):
    """Writes rows of cells; None leaves a cell empty, a date or datetime gets a date format."""
    sheet = book.add_sheet(name)
    for r, row in enumerate(rows):
        for c, value in enumerate(row):
            if value is None:
                continue
            if isinstance(value, datetime.datetime):
                sheet.write(r, c, value, DATETIME)
            elif isinstance(value, datetime.date):
                sheet.write(r, c, value, DATE)
            elif isinstance(value, datetime.time):
                sheet.write(r, c, value, TIME)
            else:
                sheet.write(r, c, value)
    return sheet


def save(book, name):
    book.save(os.path.join(HERE, name))


def d(year, month, day):
    return datetime.date(year, month, day)


def masters():
    book = xlwt.Workbook(encoding='utf-8')
    write_sheet(book, 'Ledger Groups', [
        ['Name', 'NameAlias', 'Parent', 'SubLedger'],
        ['Sundry Debtors - North', 'SD North', 'Sundry Debtors', 'No'],
        ['Branch Expenses', None, 'Indirect Expenses', 'No'],
        ['Project Costs', 'PC', 'Direct Expenses', 'Yes'],
    ])
    # A ledger continues on rows with a blank Name: further address lines are not read there, but each row
    # with all four opening-bill cells adds a bill.
    write_sheet(book, 'Ledgers', [
        ['Name', 'Parent', 'Address1', 'Address2', 'State', 'Pincode', 'OpeningBalance', 'BillwiseOn',
         'OpeningBillDate', 'OpeningName', 'OpeningCreditPeriod', 'Email'],
        ['Sharma Traders', 'Sundry Debtors', 'Shop 4, "Sai" Complex', 'MG Road', 'Karnataka', 560001, 1500.5,
         'Yes', d(2024, 3, 15), 'INV/101', 30, 'accounts@sharma.example'],
        [None, None, None, None, None, None, 750.25, None, d(2024, 3, 28), 'INV/117', 30, None],
        ['Rao & Sons', 'Sundry Creditors', '12, Station Road', None, 'Telangana', 500001, -2250, 'Yes',
         d(2024, 2, 1), 'P/88', 45, None],
        ['Cash Purchases', 'Purchase Accounts', None, None, None, None, None, 'No', None, None, None, None],
        ['Office Rent', 'Indirect Expenses', None, None, None, None, 0, 'No', None, None, None, None],
    ])
    write_sheet(book, 'Units', [
        ['Name', 'IsSimpleUnit', 'OriginalName', 'DecimalPlaces', 'BaseUnits', 'AdditionalUnits', 'Conversion'],
        ['Nos', 'Yes', 'Numbers', 0, None, None, None],
        ['Kg', 'Yes', 'Kilograms', 3, None, None, None],
        ['Box of 12', 'No', None, None, 'Box', 'Nos', 12],
    ])
    write_sheet(book, 'Godowns', [
        ['Name', 'NameAlias', 'Parent', 'HasNoStock'],
        ['Main Store', 'MS', None, 'No'],
        ['Bengaluru Depot', None, 'Main Store', 'No'],
        ['Transit', None, None, 'Yes'],
    ])
    write_sheet(book, 'Stock Groups', [
        ['Name', 'NameAlias', 'Parent', 'IsAddable'],
        ['Stationery', None, None, 'Yes'],
        ['Paper Products', 'Paper', 'Stationery', 'Yes'],
    ])
    write_sheet(book, 'Stock Categories', [
        ['Name', 'NameAlias', 'Parent'],
        ['Imported', None, None],
        ['Local', 'Domestic', None],
    ])
    write_sheet(book, 'Stock Items', [
        ['Name', 'Parent', 'Category', 'BaseUnits', 'OpeningBalance', 'OpeningValue', 'OpeningRate',
         'BasicRateOfExcise', 'RateOfVat', 'IsBatchwiseOn', 'IsCostCentresOn', 'IgnoreNegativeStock',
         'GodownName', 'BatchName'],
        ['A4 Paper Ream', 'Paper Products', 'Local', 'Nos', 100, 25000, 250, 0, 5, 'No', 'No', 'No',
         'Main Store', None],
        [None, None, None, None, 40, 10000, 250, None, None, None, None, None, 'Bengaluru Depot', None],
        ['Gel Pen Blue', 'Stationery', 'Imported', 'Box of 12', 12.5, 1875, 150, 0, 12.5, 'Yes', 'No', 'No',
         'Main Store', 'B-2024-01'],
    ])
    write_sheet(book, 'Cost Categories', [
        ['Name', 'NameAlias', 'AllocateRevenue', 'AllocateNonRevenue'],
        ['Projects', None, 'Yes', 'No'],
        ['Branches', 'Br', 'Yes', 'Yes'],
    ])
    write_sheet(book, 'Cost Centres', [
        ['Name', 'NameAlias', 'Parent', 'Category'],
        ['Bengaluru Branch', 'BLR', None, 'Branches'],
        ['Project Alpha', None, None, 'Projects'],
    ])
    # A sheet whose name is no import type.
    write_sheet(book, 'Sheet1', [
        ['Note'],
        ['Masters for the demonstration company'],
    ])
    save(book, 'masters.xls')


TRANSACTION_HEADER = ['VchType', 'VchDate', 'VchNo', 'RefNo', 'SrNo', 'Ledger', 'Debit', 'Credit', 'Narration']


def transaction_rows():
    # Out of order on purpose (a receipt before a payment, voucher 2 before voucher 1), with continuation rows
    # whose voucher cells are blank, and a blank row between two vouchers.
    return [
        TRANSACTION_HEADER,
        ['Receipt', d(2024, 4, 3), 'R-1', 'CHQ 4411', 1, 'State Bank', 1500.5, None, 'Part payment, "April"'],
        [None, None, None, None, 2, 'Sharma Traders', None, 1500.5, None],
        ['Payment', d(2024, 4, 2), 2, None, 2, 'Cash', None, 1200, 'Rent for April'],
        ['Payment', d(2024, 4, 2), 2, None, 1, 'Office Rent', 1200, None, 'Rent for April'],
        [None, None, None, None, None, None, None, None, None],
        ['Payment', d(2024, 4, 1), 1, 'V-7', 1, 'Rao & Sons', 2250, None, 'Settled'],
        [None, None, None, None, 2, 'Cash', None, 2000, None],
        [None, None, None, None, 3, 'Discount Received', None, 250, None],
        ['payment', d(2024, 4, 1), 3, None, 1, 'Office Rent', 99.75, None, 'Lower-case voucher type'],
        [None, None, None, None, 2, 'Cash', None, 99.75, None],
    ]


def transactions():
    book = xlwt.Workbook(encoding='utf-8')
    write_sheet(book, 'Transactions', transaction_rows())
    save(book, 'transactions.xls')

    # The same vouchers without the SrNo field, which the voucher ordering needs.
    book = xlwt.Workbook(encoding='utf-8')
    write_sheet(book, 'Transactions', [[cell for i, cell in enumerate(row) if i != 4]
                                       for row in transaction_rows()])
    save(book, 'transactions-no-srno.xls')


REGISTER = [
    ['VchType', 'VchDate', 'VchNo', 'RefNo', 'Ledger', 'Narration', 'Sales', 'VAT', 'Freight'],
    ['Sales', d(2024, 4, 1), 'S-1', 'PO-55', 'Sharma Traders', 'Counter sale', 10000, 1250, 300],
    ['Sales', d(2024, 4, 2), 'S-2', None, 'Rao & Sons', None, 4000, 500, None],
    [None, None, None, None, None, None, None, None, None],
    ['Sales', d(2024, 4, 5), 'S-3', None, 'Cash Purchases', 'Cash sale', 850.5, 106.31, 0],
]

MAP_HEADER = ['ColumnName', 'LedgerName', 'LedgerSign', 'Order', 'VATClassification', 'VATRate',
              'AssessableColumn', 'ServiceTaxOn', 'ServiceTaxRate', 'ServiceTaxColumn', 'CessRate', 'CessColumn',
              'SecCessRate', 'SecCessColumn', 'ServiceTaxLedger', 'ExpenseColumn']


def register_book(name, register, register_map):
    book = xlwt.Workbook(encoding='utf-8')
    write_sheet(book, 'VoucherRegister', register)
    write_sheet(book, 'VoucherRegisterMap', register_map)
    save(book, name)


def registers():
    register_book('register.xls', REGISTER, [
        MAP_HEADER,
        ['Sales', 'Sales Account', 'Cr', 1, None, None, None, None, None, None, None, None, None, None, None,
         None],
        ['VAT', 'Output VAT @ 12.5%', 'Cr', 2, 'Sales @ 12.5%', 12.5, 'Sales', None, None, None, None, None, None,
         None, None, None],
        ['Freight', 'Freight Charges', 'Cr', 3, None, None, None, None, None, None, None, None, None, None, None,
         None],
    ])
    # The four required fields and one optional field; a row without a ColumnName, and a column name in
    # lower case.
    register_book('register-partial-map.xls', REGISTER, [
        ['ColumnName', 'LedgerName', 'LedgerSign', 'Order', 'VATRate'],
        ['sales', 'Sales Account', 'Cr', 1, None],
        [None, 'Unused Ledger', 'Dr', 9, None],
        ['VAT', 'Output VAT @ 12.5%', None, 2, 12.5],
    ])
    # A register column name with a blank in it.
    invalid = [list(row) for row in REGISTER]
    invalid[0][6] = 'Sales Amount'
    register_book('register-invalid-header.xls', invalid, [
        ['ColumnName', 'LedgerName', 'LedgerSign', 'Order'],
        ['VAT', 'Output VAT @ 12.5%', 'Cr', 2],
    ])
    # A map row naming a column the register does not have.
    register_book('register-missing-column.xls', REGISTER, [
        ['ColumnName', 'LedgerName', 'LedgerSign', 'Order'],
        ['Sales', 'Sales Account', 'Cr', 1],
        ['Discount', 'Discount Allowed', 'Dr', 4],
    ])


def values():
    # Cells of every kind the workbook reader meets, in a sheet whose name is no import type, and a sheet of
    # an import type with its header only.
    book = xlwt.Workbook(encoding='utf-8')
    write_sheet(book, 'Values', [
        ['Text', 'Number', 'Date', None, 'Flag', 'When'],
        ['Shop 4, "Sai" Complex', 1500.5, d(2024, 4, 1), 'beyond', True, datetime.datetime(2024, 4, 1, 10, 30)],
        ['Line one\nLine two', -0.25, d(1999, 12, 31), None, False, datetime.time(18, 45)],
        [None, 1e21, None, None, None, None],
        ['Ünïcödé ₹', 12, d(2024, 2, 29), None, None, None],
    ])
    write_sheet(book, 'Units', [
        ['Name', 'IsSimpleUnit', 'OriginalName', 'DecimalPlaces'],
    ])
    save(book, 'values.xls')


def text_files():
    folder = os.path.join(HERE, 'text')
    os.makedirs(folder, exist_ok=True)

    def write(name, data):
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)

    # UTF-8 with a byte-order mark and CR LF line ends.
    write('Ledgers.csv', '\ufeff'.encode('utf-8') + (
        'Name,Parent,Address1,OpeningBalance,Email\r\n'
        'Sharma Traders,Sundry Debtors,"Shop 4, ""Sai"" Complex",1500.50,accounts@sharma.example\r\n'
        '"Rao & Sons",Sundry Creditors,,-2250,\r\n'
        'Café Niño,Sundry Debtors,"Bengaluru ₹ zone",0,\r\n').encode('utf-8'))
    # LF line ends, a quoted narration running over two lines, an empty line between vouchers.
    write('Transactions.csv', (
        'VchType,VchDate,VchNo,RefNo,SrNo,Ledger,Debit,Credit,Narration\n'
        'Payment,02/04/2024,2,,1,Office Rent,1200,,"Rent for April\npaid in cash"\n'
        ',,,,2,Cash,,1200,\n'
        '\n'
        'Receipt,03/04/2024,R-1,CHQ 4411,1,State Bank,1500.5,,"Part payment, ""April"""\n'
        ',,,,2,Sharma Traders,,1500.5,\n').encode('utf-8'))
    # Windows-1252, as a spreadsheet program on Windows saves it: e-grave, the euro sign, an en dash.
    write('Units.csv', (
        'Name,IsSimpleUnit,OriginalName,DecimalPlaces\r\n'
        'Mtr,Yes,Mètre,2\r\n'
        'Lot,Yes,Lot – € pricing,0\r\n').encode('cp1252'))
    write('Godowns.csv', b'Name,NameAlias,Parent,HasNoStock\r\n')
    # A text file whose name is no import type.
    write('readme.txt', b'Note\r\nFixtures for the text source\r\n')


if __name__ == '__main__':
    masters()
    transactions()
    registers()
    values()
    text_files()
