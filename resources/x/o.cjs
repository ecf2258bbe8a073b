/* Cellwinnow's skin: a Qt style sheet. Quiet greys, one green accent. */

QWidget#Form1 {
    background-color: #eef0ee;
}

QPushButton {
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fbfcfb, stop:1 #e3e7e3);
    border: 1px solid #a9b3aa;
    border-radius: 4px;
    padding: 2px 8px;
    color: #1f2a21;
}
QPushButton:hover {
    border-color: #2e8a43;
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #e9f3eb);
}
QPushButton:pressed {
    background-color: #d7e6da;
}
QPushButton#PushButton2 {
    color: #ffffff;
    border-color: #1f6b32;
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3aa453, stop:1 #2a8341);
}
QPushButton#PushButton2:hover {
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #45b45f, stop:1 #2e8a43);
}

QGroupBox {
    border: 1px solid #c3cbc4;
    border-radius: 5px;
    margin-top: 9px;
    padding-top: 4px;
}
QGroupBox::title {
    subcontrol-origin: margin;
    left: 8px;
    padding: 0 3px;
    color: #2a5e36;
}

QTreeWidget, QLineEdit {
    background-color: #ffffff;
    border: 1px solid #b7c0b8;
    border-radius: 3px;
    selection-background-color: #2e8a43;
}
QLineEdit:disabled {
    background-color: #f3f4f3;
    color: #8a928b;
}
QHeaderView::section {
    background-color: #e3e7e3;
    border: none;
    border-bottom: 1px solid #b7c0b8;
    padding: 3px 6px;
}

QProgressBar {
    border: 1px solid #a9b3aa;
    border-radius: 4px;
    background-color: #ffffff;
    text-align: center;
    color: #1f2a21;
}
QProgressBar::chunk {
    background-color: #8fd19e;
    border-radius: 3px;
}
