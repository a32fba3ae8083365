#pragma once

// Minified sources for the benchmarks: a whole script, style sheet or PHP program on one line,
// made of short numbered statements so that no two are alike. None of them holds a comment that
// runs to the line end, which would make the rest of the line one token.

#include <QString>

inline QString ScriptStatement(int i) {
    switch (i % 4) {
    case 0:
        return QStringLiteral("function f%1(a,b){var c=a+b*%1;if(c>10){return\"x\"+c}else{return "
                              "c/3}}")
            .arg(i);
    case 1:
        return QStringLiteral("document.getElementById(\"d%1\").onclick=function(e){alert('"
                              "clicked %1');return false};")
            .arg(i);
    case 2:
        return QStringLiteral("var o%1={name:\"item %1\",value:0x%2,list:[1,2,3.5],ok:true};/* "
                              "note %1 */")
            .arg(i)
            .arg(i, 0, 16);
    default:
        return QStringLiteral("for(var i=0;i<o%1.list.length;i++){window.status=i+\" of the "
                              "document\"}")
            .arg(i);
    }
}

inline QString StyleRule(int i) {
    switch (i % 4) {
    case 0:
        return QStringLiteral(".row%1{color:#336699;margin:0 2px 4px;font-family:Arial,sans-serif}")
            .arg(i);
    case 1:
        return QStringLiteral("#d%1 a:hover{background-color:#FFEEDD;text-decoration:underline}/* "
                              "box %1 */")
            .arg(i);
    case 2:
        return QStringLiteral("td.c%1{width:50%;padding:1.5em;border:1px solid #CCC}").arg(i);
    default:
        return QStringLiteral("@media print{.p%1{display:none;content:'document %1'}}").arg(i);
    }
}

inline QString PhpStatement(int i) {
    switch (i % 4) {
    case 0:
        return QStringLiteral("function f%1($a,$b){$c=$a+$b*%1;if($c>10){return \"x\".$c;}else{"
                              "return $c/3;}}")
            .arg(i);
    case 1:
        return QStringLiteral("echo \"<td>\".htmlspecialchars($row['document']).\"</td>\";/* cell "
                              "%1 */")
            .arg(i);
    case 2:
        return QStringLiteral("$list%1=array(1,2,3);foreach($list%1 as $k=>$v){$total+=$v;}")
            .arg(i);
    default:
        return QStringLiteral("if(isset($_GET['p%1'])){include 'page%1.inc';}").arg(i);
    }
}

// Statements of one kind put together until the line is at least `length` characters long.
inline QString OneLineOf(QString (*statement)(int), qsizetype length) {
    QString line;
    for (int i = 0; line.size() < length; ++i)
        line += statement(i);
    return line;
}
