<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>QProgressDialog</name>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>zdb</name>
    <message>
        <source>Unsupported field type (%s) in field %s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Today</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write the rows of the dataset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot open file &apos;%1&apos;: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Field &apos;%1&apos; has no place in the model</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The model refused the value of field &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No model to insert into</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The model refused a new row</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The model refused to remove the row</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The model refused the record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>First</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Prior</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Last</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Insert</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Post</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pictures cannot be written in %s format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>contains</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>does not contain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>starts from</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>does not start from</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ends with</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>does not end with</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is equal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is not equal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is greater then</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is greater then or equal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is less then</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is less then or equal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is on the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is not on the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is not empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select filter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the rows in which the field %s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Symbol %s replaces any character</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Symbol %s replaces any text string</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AND</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OR</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reverse filter conditions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove filter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select filter...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(Empty)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Collecting the values of %s...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select period</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Minute</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>10 minutes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Past 10 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From start of this 10 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This 10 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To the end of this 10 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next 10 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>15 minutes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Past 15 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From start of this 15 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This 15 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To the end of this 15 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next 15 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>20 minutes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Past 20 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From start of this 20 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This 20 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To the end of this 20 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next 20 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>30 minutes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Past 30 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From start of this 30 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This 30 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To the end of this 30 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next 30 mins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Past hour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From start of this hour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This hour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To the end of this hour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next hour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hours</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yesterday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From start of this day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To the end of this day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tomorrow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Days</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Week</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Past week</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From start of this week</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This week</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To the end of this week</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next week</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Weeks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Month</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Past month</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From start of this month</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This month</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To the end of this month</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next month</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Months</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quarter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Past quarter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From start of this quarter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This quarter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To the end of this quarter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next quarter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quarters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>First quarter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Second quarter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Third quarter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fourth quarter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Semester</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Past semester</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From start of this semester</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This semester</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To the end of this semester</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next semester</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Semesters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>First semester</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Second semester</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Year</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Past year</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From start of this year</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This year</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To the end of this year</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next year</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Years</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Decade</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Past decade</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From start of this decade</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This decade</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To the end of this decade</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next decade</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Decades</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write the columns: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid column stream: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot open file &quot;%1&quot;: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>List index out of bounds (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KeyFields property cannot be blank</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Expand</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot set property &apos;%1&apos; of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot perform this operation on a closed dataset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot perform this operation on an open dataset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot modify a read-only dataset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot perform this operation on an empty dataset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Operation not allowed on a unidirectional dataset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dataset not in edit or insert mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bookmark does not belong to this dataset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Field &apos;%s&apos; not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Field &apos;%s&apos; cannot be modified</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Field &apos;%s&apos; must have a value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Field &apos;%s&apos; is of an unknown type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Duplicate field name &apos;%s&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Circular datalinks are not allowed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Grid requested to display too many columns</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete record?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete all selected records?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid filter expression: %s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown database error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The statement returned no result set</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The query&apos;s cursor is closed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No value for parameter &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No database connection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No database connection named &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The database connection is not open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No SQL statement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The rows of the result cannot be counted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The result of the statement changed its columns; close and reopen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record not found or changed by another user</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No transaction is active</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The filter value lists cannot be applied to this statement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print and Export</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print Preview...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export to PDF...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export to CSV...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export to HTML...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print Columns...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selected Rows Only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Page %d</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Carried forward</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Writing the report...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write %s: %s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PDF files (*.pdf)|*.pdf</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV files (*.csv)|*.csv|Text files (*.txt)|*.txt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HTML files (*.html)|*.html;*.htm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot start printing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search match not found!<byte value="xd"/>Restart search from the beginning?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search string &apos;%s&apos; not found!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close search (Esc)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find first (Ctrl+F3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find last (Alt+F3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search down (F3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search up (Shift+F3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>More options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Case sensitive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Whole words</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>W&amp;rap around</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C&amp;urrent column</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Filter rows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show Columns</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> &amp;Visible Columns </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Sorted Columns</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Apply</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK;Cancel;&amp;Apply;&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> &amp;Printed Columns </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print Columns</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No settings file name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid settings key &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write settings file &quot;%1&quot;: the folder does not exist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write settings file &quot;%1&quot;: it is read-only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write settings to &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write the settings section &quot;%1&quot; to &quot;%2&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;: it is read-only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write file &quot;%1&quot;: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show Columns...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Columns</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show Auto Filter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto Filter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show Multi Select</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Multi Select</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selected Row</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Striped Rows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tree View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stretch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Default Width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Optimal Width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Space on Titles</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Space on Buttons</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Load</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Load from File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save to File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Active</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filtered</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cells</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fixed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Load at Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save at Finish</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Erase from File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Erase from Registry</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Load from Registry</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save to Registry</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Column files (*.clm)|*.clm|Text files (*.txt)|*.txt|All files (*.*)|*.*</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter files (*.flt)|*.flt|Text files (*.txt)|*.txt|All files (*.*)|*.*</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings files (*.ini)|*.ini|Text files (*.txt)|*.txt|All files (*.*)|*.*</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Erasing from</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings files (*.ini)|*.ini</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Sort by Column</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Add to Sort</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move &amp;Left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move &amp;Right</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Wider</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Narrower</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Optimal Width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Default Width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Tool Menu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;More</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F&amp;ilter List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Filter Form</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
