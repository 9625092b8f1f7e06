// The question bank and roster of the demo lab, written as the teacher of a
// computer-basics course would write them. Edit the texts here; the lab builder
// (demo_lab.cpp) stores them into stu.mdb and the folders of the lab.
#include "tools/demo/demo_bank.h"

#include <cstdio>

namespace kav::demo {

// Choice questions: stem, options A-D, the correct letter, optionally a picture.
const std::vector<ChoiceQuestion>& choiceQuestions() {
    static const std::vector<ChoiceQuestion> q = {
        // 计算机基础知识
        {"世界上第一台电子数字计算机ENIAC诞生于（  ）年。", "1943", "1946", "1949", "1950", 'b'},
        {"第一代电子计算机使用的主要电子元件是（  ）。", "电子管", "晶体管", "中小规模集成电路", "大规模集成电路", 'a'},
        {"目前微型计算机中采用的主要电子元件是（  ）。", "电子管", "晶体管", "小规模集成电路", "大规模和超大规模集成电路", 'd'},
        {"计算机硬件系统由运算器、控制器、存储器、输入设备和（  ）五大部件组成。", "键盘", "鼠标", "输出设备", "显示器", 'c'},
        {"冯·诺依曼型计算机的基本工作原理是（  ）。", "存储程序和程序控制", "多任务处理", "高速运算", "并行处理", 'a'},
        {"微型计算机中的CPU是指（  ）。", "控制器", "运算器和控制器", "运算器、控制器和内存", "运算器", 'b'},
        {"计算机断电后，（  ）中的信息会全部丢失。", "ROM", "RAM", "硬盘", "光盘", 'b'},
        {"与外存储器相比，内存储器的主要特点是（  ）。", "存储容量大", "存取速度快", "价格便宜", "断电后信息不丢失", 'b'},
        {"下列设备中，属于输入设备的是（  ）。", "显示器", "打印机", "键盘", "绘图仪", 'c'},
        {"下列设备中，既能向主机输入数据又能接收主机输出数据的是（  ）。", "显示器", "扫描仪", "磁盘驱动器", "音箱", 'c'},
        {"计算机的存储容量常用KB为单位，1KB等于（  ）字节。", "1000", "1024", "512", "2048", 'b'},
        {"一个字节由（  ）个二进制位组成。", "4", "8", "16", "32", 'b'},
        // 数制与编码
        {"十进制数100转换成二进制数是（  ）。", "1100100", "1101000", "1100010", "1110100", 'a'},
        {"二进制数1011转换成十进制数是（  ）。", "9", "10", "11", "13", 'c'},
        {"十六进制数2A对应的十进制数是（  ）。", "40", "42", "44", "32", 'b'},
        {"下列各数中，最大的是（  ）。", "二进制数1111", "八进制数17", "十进制数16", "十六进制数F", 'c'},
        {"在标准ASCII码表中，已知英文字母A的码值是65，则字母D的码值是（  ）。", "66", "67", "68", "69", 'c'},
        {"一个汉字的国标码需要用（  ）个字节存储。", "1", "2", "3", "4", 'b'},
        {"存储1024个24×24点阵的汉字字形码需要的字节数是（  ）。", "72KB", "576KB", "24KB", "48KB", 'a'},
        // 计算机软件
        {"下列软件中，属于系统软件的是（  ）。", "WPS文字处理软件", "Windows操作系统", "财务管理软件", "图像处理软件", 'b'},
        {"把用高级语言编写的源程序翻译成目标程序的程序称为（  ）。", "编辑程序", "编译程序", "诊断程序", "汇编程序", 'b'},
        {"计算机能够直接识别和执行的语言是（  ）。", "汇编语言", "高级语言", "机器语言", "自然语言", 'c'},
        {"操作系统的主要功能是（  ）。", "对计算机系统的所有资源进行控制和管理", "把源程序翻译成目标程序",
         "进行数据处理和分析", "实现硬件与软件之间的转换", 'a'},
        // 计算机病毒
        {"计算机病毒是指（  ）。", "编制有错误的计算机程序", "设计不完善的计算机程序", "已被破坏的计算机程序",
         "以危害系统为目的的特殊计算机程序", 'd'},
        {"下列关于计算机病毒的叙述中，正确的是（  ）。", "反病毒软件可以查杀任何种类的病毒", "计算机病毒具有传染性",
         "感染过病毒的计算机对该病毒具有免疫性", "计算机病毒只会感染可执行文件", 'b'},
        {"下列措施中，不能有效预防计算机病毒的是（  ）。", "安装杀毒软件并及时升级", "不打开来历不明的邮件附件",
         "定期备份重要数据", "经常格式化硬盘", 'd'},
        // 计算机网络与因特网
        {"计算机网络最突出的优点是（  ）。", "运算速度快", "存储容量大", "资源共享", "计算精度高", 'c'},
        {"因特网使用的基本通信协议是（  ）。", "TCP/IP", "HTTP", "FTP", "SMTP", 'a'},
        {"下列IP地址中，书写正确的是（  ）。", "192.168.1", "202.256.10.1", "10.0.0.1", "172.16.1.2.3", 'c'},
        {"在因特网上浏览网页时使用的协议是（  ）。", "FTP", "HTTP", "SMTP", "TELNET", 'b'},
        {"电子邮件地址zhangsan@example.com中，@后面的部分表示（  ）。", "用户名", "邮件服务器的域名", "用户的密码",
         "国家代码", 'b'},
        {"按网络覆盖的地理范围划分，一所学校的校园网一般属于（  ）。", "局域网", "城域网", "广域网", "因特网", 'a'},
        {"在域名www.example.edu.cn中，cn表示（  ）。", "商业机构", "教育机构", "中国", "政府机构", 'c'},
        {"调制解调器（Modem）的作用是（  ）。", "实现数字信号与模拟信号的相互转换", "连接计算机和打印机", "清除计算机病毒",
         "为计算机提供电源", 'a'},
        // Windows 操作系统
        {"在Windows中，剪贴板是（  ）中的一块区域。", "硬盘", "内存", "U盘", "光盘", 'b'},
        {"在Windows中，复制选定内容的组合键是（  ）。", "Ctrl+X", "Ctrl+C", "Ctrl+V", "Ctrl+Z", 'b'},
        {"在Windows中，下列字符中不能出现在文件名中的是（  ）。", "下划线", "空格", "星号*", "汉字", 'c'},
        {"在Windows资源管理器中，要选定多个不连续的文件，应先按住（  ）键，再逐个单击。", "Shift", "Ctrl", "Alt", "Tab",
         'b'},
        {"在Windows中，从硬盘上删除的文件通常先被放入（  ）。", "回收站", "剪贴板", "我的文档", "桌面", 'a'},
        {"在Windows中，扩展名为.txt的文件是（  ）。", "可执行文件", "文本文件", "图像文件", "声音文件", 'b'},
        // Office 办公软件
        {"在Word中，要把编辑好的文档存到磁盘上，应使用（  ）菜单中的“保存”命令。", "编辑", "视图", "文件", "工具", 'c'},
        {"在Word中，“格式刷”按钮的作用是（  ）。", "复制文字", "复制格式", "删除格式", "绘制图形", 'b'},
        {"在Word中，按（  ）键可以在插入和改写两种状态之间切换。", "Insert", "Delete", "Home", "End", 'a'},
        {"在Excel 2000中，工作簿文件默认的扩展名是（  ）。", ".doc", ".xls", ".ppt", ".txt", 'b'},
        {"在Excel中，公式“=SUM(A1:A4)”的作用是（  ）。", "求A1到A4的平均值", "求A1与A4两个单元格的和",
         "求A1到A4四个单元格的和", "统计A1到A4中数字的个数", 'c'},
        {"在PowerPoint中，从第一张幻灯片开始放映的快捷键是（  ）。", "F1", "F5", "F7", "F12", 'b'},
        // 看图回答
        {"如图所示的计算机网络拓扑结构是（  ）。", "总线型", "星型", "环型", "树型", 'b', Picture::StarTopology},
        {"如图所示的计算机网络拓扑结构是（  ）。", "总线型", "星型", "环型", "网状型", 'a', Picture::BusTopology},
        {"如图所示的计算机网络拓扑结构是（  ）。", "总线型", "星型", "环型", "树型", 'c', Picture::RingTopology},
        {"如图所示的计算机网络拓扑结构是（  ）。", "网状型", "星型", "环型", "树型", 'd', Picture::TreeTopology},
        {"在Excel中制作了如图所示的图表，它的图表类型是（  ）。", "柱形图", "折线图", "饼图", "条形图", 'c',
         Picture::PieChart},
    };
    return q;
}

// Windows tasks. question2: folders (parents first) and "file*folder" copies from
// file\; answer: items "**", checks "*", each check "code path": 5 file exists,
// 6 no such file, 7 folder exists, 8 no such folder, other numbers the attribute
// word (32 ordinary file, 33 read-only, 34 hidden, 35 read-only and hidden,
// 18 hidden folder).
const std::vector<WinTask>& winTasks() {
    static const std::vector<WinTask> t = {
        {"1. 在考生文件夹下建立文件夹WORK。\n"
         "2. 将考生文件夹下DATA文件夹中的文件REPORT.TXT复制到WORK文件夹中。\n"
         "3. 删除考生文件夹下TEMP文件夹中的文件OLD.BAK。\n"
         "4. 将考生文件夹下的文件NOTE.TXT设置为只读属性。\n"
         "5. 删除考生文件夹下的文件夹EMPTY。",
         "DATA TEMP EMPTY REPORT.TXT*DATA OLD.BAK*TEMP NOTE.TXT*",
         "7 WORK**5 WORK\\REPORT.TXT*5 DATA\\REPORT.TXT**6 TEMP\\OLD.BAK**33 NOTE.TXT**8 EMPTY"},
        {"1. 将考生文件夹下BOOK文件夹中的文件LIST.DOC重命名为BOOKLIST.DOC。\n"
         "2. 将考生文件夹下MUSIC文件夹中的文件SONG.MP3移动到考生文件夹下的MEDIA文件夹中。\n"
         "3. 在考生文件夹下的MEDIA文件夹中建立一个新文件夹VIDEO。\n"
         "4. 将考生文件夹下的文件CONFIG.INI设置为隐藏属性。\n"
         "5. 取消考生文件夹下文件README.TXT的只读属性。",
         "BOOK MUSIC MEDIA LIST.DOC*BOOK SONG.MP3*MUSIC CONFIG.INI* README.TXT*",
         "5 BOOK\\BOOKLIST.DOC*6 BOOK\\LIST.DOC**5 MEDIA\\SONG.MP3*6 MUSIC\\SONG.MP3**7 MEDIA\\VIDEO**34 CONFIG.INI**"
         "32 README.TXT"},
        {"1. 在考生文件夹下的SCHOOL文件夹中建立两个文件夹CLASS1和CLASS2。\n"
         "2. 将考生文件夹下SCHOOL文件夹中的文件STUDENT.XLS复制到CLASS1文件夹中，并改名为NAMES.XLS。\n"
         "3. 删除考生文件夹下SCHOOL文件夹中的文件SCORE.BAK。\n"
         "4. 删除考生文件夹下的文件夹OLD（连同其中的子文件夹）。\n"
         "5. 在考生文件夹下建立一个空文本文件PLAN.TXT。",
         "SCHOOL OLD OLD\\SUB STUDENT.XLS*SCHOOL SCORE.BAK*SCHOOL",
         "7 SCHOOL\\CLASS1*7 SCHOOL\\CLASS2**5 SCHOOL\\CLASS1\\NAMES.XLS*5 SCHOOL\\STUDENT.XLS**6 SCHOOL\\SCORE.BAK**"
         "8 OLD**5 PLAN.TXT"},
        {"1. 将考生文件夹下DOCS文件夹中的文件MEMO.TXT设置为只读和隐藏属性。\n"
         "2. 将考生文件夹下的文件夹PRIVATE设置为隐藏属性。\n"
         "3. 将考生文件夹下DOCS文件夹中的文件DRAFT.TXT移动到考生文件夹下，并改名为FINAL.TXT。\n"
         "4. 删除考生文件夹下的文件夹TRASH及其中的全部文件。\n"
         "5. 在考生文件夹下建立文件夹BACKUP，并将考生文件夹下的文件DATA.DAT复制到BACKUP文件夹中。",
         "DOCS PRIVATE TRASH MEMO.TXT*DOCS DRAFT.TXT*DOCS JUNK1.TMP*TRASH JUNK2.TMP*TRASH DATA.DAT*",
         "35 DOCS\\MEMO.TXT**18 PRIVATE**5 FINAL.TXT*6 DOCS\\DRAFT.TXT**8 TRASH**5 BACKUP\\DATA.DAT*5 DATA.DAT"},
        {"1. 在考生文件夹下建立文件夹GAME，并在GAME文件夹中建立子文件夹SAVE。\n"
         "2. 将考生文件夹下DOWNLOAD文件夹中的文件SETUP.EXE移动到GAME文件夹中。\n"
         "3. 将考生文件夹下DOWNLOAD文件夹中的文件PHOTO.BMP重命名为HOLIDAY.BMP。\n"
         "4. 删除考生文件夹下的文件VIRUS.COM。\n"
         "5. 将考生文件夹下DOWNLOAD文件夹中的文件NEWS.HTM设置为只读属性。",
         "DOWNLOAD SETUP.EXE*DOWNLOAD PHOTO.BMP*DOWNLOAD VIRUS.COM* NEWS.HTM*DOWNLOAD",
         "7 GAME*7 GAME\\SAVE**5 GAME\\SETUP.EXE*6 DOWNLOAD\\SETUP.EXE**5 DOWNLOAD\\HOLIDAY.BMP*6 DOWNLOAD\\PHOTO.BMP**"
         "6 VIRUS.COM**33 DOWNLOAD\\NEWS.HTM"},
    };
    return t;
}

// The files of file\ that the Windows tasks copy. PHOTO.BMP is drawn by the
// lab builder (a real picture); README.TXT is read-only, so its copy is too.
const std::vector<SourceFile>& sourceFiles() {
    static const std::vector<SourceFile> f = {
        {"REPORT.TXT", "本学期计算机基础课程教学工作总结。\n"},
        {"OLD.BAK", "旧的备份文件，可以删除。\n"},
        {"NOTE.TXT", "上机注意事项：爱护机房设备，保持室内清洁。\n"},
        {"LIST.DOC", "图书清单：计算机应用基础、大学英语、高等数学。\n"},
        {"SONG.MP3", "（练习用文件，不是真正的音乐。）\n"},
        {"CONFIG.INI", "[settings]\nlanguage=zh_CN\n"},
        {"README.TXT", "请先阅读本说明文件。\n", true},
        {"STUDENT.XLS", "学号,姓名\n1,王建国\n2,李明\n"},
        {"SCORE.BAK", "成绩备份。\n"},
        {"MEMO.TXT", "备忘：周五下午召开班会。\n"},
        {"DRAFT.TXT", "文章草稿。\n"},
        {"JUNK1.TMP", "临时文件。\n"},
        {"JUNK2.TMP", "临时文件。\n"},
        {"DATA.DAT", "重要数据，请备份。\n"},
        {"SETUP.EXE", "（练习用文件，不是真正的程序。）\n"},
        {"VIRUS.COM", "（练习用文件，不是真正的病毒。）\n"},
        {"NEWS.HTM", "<html><body><p>校园新闻：计算机等级考试报名开始了。</p></body></html>\n"},
    };
    return f;
}

// Word tasks: the text shown to the candidate, the answer rules (parts "**",
// rules "*", fields: kind score positions value) and the document in word\.
// Lengths are in points (1 cm = 28.35 points).
const std::vector<WordTask>& wordTasks() {
    static const std::vector<WordTask> t = {
        {"打开考生文件夹下的文档word1.docx，按下列要求完成操作，并以原文件名保存：\n"
         "1. 将标题“计算机的发展”设置为黑体、16磅（三号），居中对齐。\n"
         "2. 将正文第一段（全文第2段）设置为首行缩进24磅、1.5倍行距。\n"
         "3. 将文中所有的“电脑”替换为“计算机”。\n"
         "4. 将纸张大小设置为A4，上、下页边距均设置为54磅。\n"
         "5. 在表格第1行第1列的单元格中输入“年代”，并将整个表格居中。",
         "35 2 1 黑体*36 2 1 16*33 2 1 1**"   // title: font, size, centred
         "26 3 2 24*23 3 2 1**"               // paragraph 2: first-line indent, 1.5 lines
         "81 6 1 电脑**"                      // no "电脑" left in the text
         "57 2 7*58 2 54*59 2 54**"           // A4, top and bottom margins
         "67 3 1 1 1 年代*80 3 1 1",          // table: cell text, centred
         "word1.docx"},
        {"打开考生文件夹下的文档word2.docx，按下列要求完成操作，并以原文件名保存：\n"
         "1. 将标题“计算机网络概述”设置为楷体、加粗、居中对齐；将标题的第一个字“计”设置为22磅（二号）、蓝色。\n"
         "2. 将正文第一段（全文第2段）的行距设置为固定值，段后间距设置为12磅；将正文第二段（全文第3段）左缩进24磅。\n"
         "3. 为文档添加页眉，页眉文字为“计算机基础知识”。\n"
         "4. 将页面设置为两栏。\n"
         "5. 在表格的最后增加一行，在新行第1列中输入“个人区域网”；将表格第1行的单元格设置为垂直居中，"
         "第1行的下框线设置为双线。",
         "35 1 1 楷体*34 1 1 0*33 2 1 1*10 2 1 22*11 2 1 2**"  // title; its first character
         "23 2 2 4*27 2 2 12*24 2 3 24**"                      // paragraphs 2 and 3
         "53 4 1 计算机基础知识**"                             // header
         "55 4 2**"                                            // two text columns
         "65 2 1 5*67 2 1 5 1 个人区域网*79 2 1 1 1*71 2 1 1 -3 7",  // table
         "word2.docx"},
        {"打开考生文件夹下的文档word3.docx，按下列要求完成操作，并以原文件名保存：\n"
         "1. 将标题“计算机病毒及其防治”设置为黑体、18磅（小二），居中对齐，并为标题段添加单线下框线。\n"
         "2. 将正文第一段（全文第2段）设置为首行缩进24磅、两端对齐；为正文第二段（全文第3段）添加黄色底纹。\n"
         "3. 将纸张大小设置为B5（JIS），左、右页边距均设置为72磅。\n"
         "4. 改正正文中的错别字：将“毒病”改为“病毒”。\n"
         "5. 将整个表格居中；在表格第1行第3列中输入“典型代表”，将第1行设置为垂直居中、行高28磅。",
         "35 2 1 黑体*36 2 1 18*33 2 1 1*28 2 1 -3 1**"  // title and its bottom border
         "26 2 2 24*33 2 2 3*31 2 3 7**"                 // paragraphs 2 and 3
         "57 2 11*60 2 72*61 2 72**"                     // B5 (JIS), left and right margins
         "81 2 1 毒病**"                                 // the misspelling is gone
         "80 2 1 1*67 2 1 1 3 典型代表*79 2 1 1 1*77 2 1 1 28",  // table
         "word3.docx"},
    };
    return t;
}

// Typing texts: Chinese prose, full-width punctuation only.
const std::vector<std::string>& typingTexts() {
    static const std::vector<std::string> t = {
        "计算机是二十世纪最伟大的科学技术发明之一，它的出现使人类迅速步入了信息社会。计算机的应用已经渗透到社会的"
        "各个领域，正在日益改变着传统的工作、学习和生活方式，推动着社会的发展。从第一台电子计算机诞生到今天，计算机"
        "经历了电子管、晶体管、集成电路和大规模集成电路四个发展阶段，体积越来越小，速度越来越快，价格越来越低，功能"
        "越来越强。未来的计算机将朝着巨型化、微型化、网络化和智能化的方向发展。",

        "计算机网络是将分布在不同地理位置、具有独立功能的多台计算机及其外部设备，用通信线路和通信设备连接起来，在网"
        "络操作系统和通信协议的管理和协调下，实现资源共享和信息传递的计算机系统。按照覆盖的地理范围，计算机网络可以"
        "分为局域网、城域网和广域网。因特网是目前世界上规模最大、用户最多的计算机网络，人们可以通过它浏览新闻、收发"
        "电子邮件、查阅资料和进行网上购物。",

        "计算机病毒是一种人为编制的、能够自我复制并破坏计算机功能或数据的程序。它像生物病毒一样具有传染性、潜伏性、"
        "隐蔽性和破坏性。病毒一旦发作，轻则占用系统资源、降低运行速度，重则删除文件、破坏数据，甚至使整个系统瘫痪。"
        "为了防止病毒的侵害，我们应当安装正版的杀毒软件并及时升级病毒库，不随意打开来历不明的电子邮件和网页链接，不"
        "使用来路不明的移动存储设备，并且要养成定期备份重要数据的良好习惯。",

        "读书是一种享受，也是一种修养。在安静的夜晚，泡上一杯清茶，捧起一本好书，仿佛走进了一个全新的世界。书中有壮"
        "丽的山河，有动人的故事，有先贤的智慧，也有对人生的深刻思考。读一本好书，就像和一位高尚的人谈话，使人心胸开"
        "阔，眼界高远。古人说：“书犹药也，善读之可以医愚。”在信息飞速发展的今天，我们更应当珍惜时间，多读书，读好"
        "书，让书香伴随我们成长。",

        "正确的打字姿势是提高录入速度的基础。坐姿要端正，身体稍微前倾，双脚自然平放在地面上。两臂自然下垂，手腕保持"
        "平直，手指略微弯曲，轻轻放在基本键位上。左手食指放在“Ｆ”键上，右手食指放在“Ｊ”键上，两个拇指放在空格键"
        "上。击键时要用手指的指尖垂直向下敲击，力度适中，节奏均匀，击键后手指要立即回到基本键位。初学者不要看键盘，"
        "要坚持盲打练习，只要持之以恒，就一定能够熟练地掌握这项技能。",

        "办公自动化是指利用计算机、网络和现代办公设备处理日常事务的工作方式。文字处理软件可以方便地录入、编辑和排版"
        "文档；电子表格软件能够对大量数据进行计算、统计和分析，并生成直观的图表；演示文稿软件则可以把文字、图片、声"
        "音和动画结合在一起，制作出生动的幻灯片。熟练掌握这些软件，能够大大提高我们学习和工作的效率。",
    };
    return t;
}

// The roster: admission numbers 110199990001-110199990050; each candidate's
// password is the last six digits of the admission number.
std::vector<Candidate> roster() {
    static const char* const names[] = {
        "王建国", "李明",   "张伟",   "刘洋", "陈静", "杨帆", "黄磊", "赵敏", "吴刚", "周婷",
        "徐浩",   "孙丽",   "马超",   "朱琳", "胡军", "郭芳", "何勇", "高洁", "林峰", "罗颖",
        "梁晨",   "宋佳",   "郑凯",   "谢雨", "韩冰", "唐亮", "冯雪", "于洋", "董慧", "萧然",
        "程鹏",   "曹阳",   "袁媛",   "邓飞", "许可", "傅强", "沈悦", "曾涛", "彭丹", "吕欣",
        "苏航",   "卢娜",   "蒋鑫",   "蔡文", "贾宁", "丁磊", "魏华", "薛莹", "叶青", "欧阳晓东",
    };
    std::vector<Candidate> r;
    int number = 1;
    for (const char* name : names) {
        char zkzh[16];
        std::snprintf(zkzh, sizeof zkzh, "11019999%04d", number++);
        r.push_back({zkzh, name, std::string(zkzh).substr(6)});
    }
    return r;
}

}  // namespace kav::demo
