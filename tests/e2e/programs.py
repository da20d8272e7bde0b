"""The programs under test and the station tables that the end-to-end tests give them: the
generator writes tables, talvo-dbf reads back what the viewer should show."""

import csv
import io
import os
import subprocess

APP_NAME = 'Talvo-dBase-Viewer'

# What the programs under test are; the entry point fills these in from its arguments.
VIEWER = os.environ.get('TALVO_E2E_VIEWER', '')
GEN_STATIONS = os.environ.get('TALVO_E2E_GEN', '')
DBF_TOOL = os.environ.get('TALVO_E2E_DBF', '')

CAPTIONS = ['CALL :', 'DXCC / WAE :', 'LOCATOR :', 'NEW/OLD - CALL :', 'PR - ADRESSE :',
            'PR - CLUSTER :', 'EMAIL :', 'VORNAME :', 'AKTIVITÄTEN :', 'RIG :',
            'NOF - CW/LPM :', 'NOF - SSB :', 'UPDATE :']
COLUMNS = ['CALL', 'DXCC_WAE', 'LOCATOR', 'NEW_OLD_CA', 'PR_ADRESSE', 'PR_CLUSTER', 'E_MAIL',
           'VORNAME', 'AKTIVIT_TE', 'RIG', 'NOF_CW_LPM', 'NOF_SSB', 'UP_DATE']


def run_tool(*args, **kwargs):
    """Runs one of the helper programs and returns its standard output."""
    kwargs.setdefault('timeout', 30)
    result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                            check=True, **kwargs)
    return result.stdout


def make_table(path, count, seed=1):
    """Writes a generated station table of `count` records to `path`."""
    run_tool(GEN_STATIONS, '--count', str(count), '--seed', str(seed), path)
    return path


def dbf_count(path, criterion=None):
    """The number of records of `path`, through `criterion` when given."""
    args = [DBF_TOOL, 'show', path, '--count']
    if criterion:
        args += ['--filter', criterion]
    return int(run_tool(*args).strip())


def dbf_records(path, *options):
    """The records that `talvo-dbf show path options` lists, in its order, each as a dict of
    the texts that the viewer shows."""
    out = run_tool(DBF_TOOL, 'show', path, '--format', 'csv', *options)
    return list(csv.DictReader(io.StringIO(out, newline='')))


def dbf_column(path, column, *options):
    """One column of the records that `talvo-dbf show path options` lists, in its order."""
    return [record[column] for record in dbf_records(path, *options)]


def dbf_record(path, number):
    """Record `number` (1 for the first) of `path` in file order."""
    return dbf_records(path, '--limit', str(number))[number - 1]
