<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="vi_VN">
<context>
    <name>QLineEdit</name>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Hoàn tác</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Làm lại</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Cắt</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Sao chép</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Dán</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Xóa</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Chọn tất cả</translation>
    </message>
</context>
<context>
    <name>QWidgetTextControl</name>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Hoàn tác</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Làm lại</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Cắt</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Sao chép</translation>
    </message>
    <message>
        <source>Copy &amp;Link Location</source>
        <translation>Sao chép địa chỉ &amp;liên kết</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Dán</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Xóa</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Chọn tất cả</translation>
    </message>
</context>
<context>
    <name>QAbstractSpinBox</name>
    <message>
        <source>&amp;Select All</source>
        <translation>&amp;Chọn tất cả</translation>
    </message>
    <message>
        <source>&amp;Step up</source>
        <translation>&amp;Tăng</translation>
    </message>
    <message>
        <source>Step &amp;down</source>
        <translation>&amp;Giảm</translation>
    </message>
</context>
<context>
    <name>QUnicodeControlCharacterMenu</name>
    <message>
        <source>Insert Unicode control character</source>
        <translation>Chèn ký tự điều khiển Unicode</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Lưu</translation>
    </message>
    <message>
        <source>Save All</source>
        <translation>Lưu tất cả</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Mở</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Có</translation>
    </message>
    <message>
        <source>Yes to &amp;All</source>
        <translation>Có với &amp;tất cả</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Không</translation>
    </message>
    <message>
        <source>N&amp;o to All</source>
        <translation>Không với t&amp;ất cả</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Dừng</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Thử lại</translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Bỏ qua</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Đóng</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Hủy</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Bỏ thay đổi</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Trợ giúp</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Áp dụng</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Đặt lại</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>Khôi phục mặc định</translation>
    </message>
</context>
<context>
    <name>QGnomeTheme</name>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Lưu</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Hủy</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>Đó&amp;ng</translation>
    </message>
    <message>
        <source>Close without Saving</source>
        <translation>Đóng không lưu</translation>
    </message>
</context>
<context>
    <name>QDialogButtonBox</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>QMessageBox</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Trợ giúp</translation>
    </message>
    <message>
        <source>Show Details...</source>
        <translation>Xem chi tiết...</translation>
    </message>
    <message>
        <source>Hide Details...</source>
        <translation>Ẩn chi tiết...</translation>
    </message>
</context>
<context>
    <name>QFileDialog</name>
    <message>
        <source>Back</source>
        <translation>Lùi lại</translation>
    </message>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Mở</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Mở</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Lưu</translation>
    </message>
    <message>
        <source>Alias</source>
        <translation>Bí danh</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Ổ đĩa</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Show </source>
        <translation>Hiện </translation>
    </message>
    <message>
        <source>'%1' is write protected.
Do you want to delete it anyway?</source>
        <translation>'%1' đang được bảo vệ chống ghi.
Anh vẫn muốn xóa chứ?</translation>
    </message>
    <message>
        <source>Are you sure you want to delete '%1'?</source>
        <translation>Anh có chắc muốn xóa '%1'?</translation>
    </message>
    <message>
        <source>List of places and bookmarks</source>
        <translation>Danh sách nơi lưu và dấu trang</translation>
    </message>
    <message>
        <source>File &amp;name:</source>
        <translation>&amp;Tên file:</translation>
    </message>
    <message>
        <source>File Folder</source>
        <translation>Thư mục</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Xóa</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Thư mục mới</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Thư mục</translation>
    </message>
    <message>
        <source>Parent Directory</source>
        <translation>Thư mục cha</translation>
    </message>
    <message>
        <source>&amp;New Folder</source>
        <translation>Thư mục &amp;mới</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Bỏ khỏi danh sách</translation>
    </message>
    <message>
        <source>My Computer</source>
        <translation>Máy tính</translation>
    </message>
    <message>
        <source>Look in:</source>
        <translation>Xem trong:</translation>
    </message>
    <message>
        <source>Create a New Folder</source>
        <translation>Tạo thư mục mới</translation>
    </message>
    <message>
        <source>%1 File</source>
        <translation>File %1</translation>
    </message>
    <message>
        <source>Files of type:</source>
        <translation>Loại file:</translation>
    </message>
    <message>
        <source>Find Directory</source>
        <translation>Chọn thư mục</translation>
    </message>
    <message>
        <source>Show &amp;hidden files</source>
        <translation>Hiện file &amp;ẩn</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Lưu thành</translation>
    </message>
    <message>
        <source>%1
Directory not found.
Please verify the correct directory name was given.</source>
        <translation>%1
Không tìm thấy thư mục.
Anh xem lại tên thư mục giúp.</translation>
    </message>
    <message>
        <source>Sidebar</source>
        <translation>Thanh bên</translation>
    </message>
    <message>
        <source>List View</source>
        <translation>Dạng danh sách</translation>
    </message>
    <message>
        <source>&amp;Choose</source>
        <translation>&amp;Chọn</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Xóa</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Mọi file (*)</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Mọi file (*)</translation>
    </message>
    <message>
        <source>Directories</source>
        <translation>Thư mục</translation>
    </message>
    <message>
        <source>&amp;Rename</source>
        <translation>Đổi &amp;tên</translation>
    </message>
    <message>
        <source>Could not delete directory.</source>
        <translation>Không xóa được thư mục.</translation>
    </message>
    <message>
        <source>Directory:</source>
        <translation>Thư mục:</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Không rõ</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 đã có.
Anh có muốn thay thế không?</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Tiến tới</translation>
    </message>
    <message>
        <source>Go forward</source>
        <translation>Tiến tới</translation>
    </message>
    <message>
        <source>Go to the parent directory</source>
        <translation>Lên thư mục cha</translation>
    </message>
    <message>
        <source>Recent Places</source>
        <translation>Nơi vừa mở</translation>
    </message>
    <message>
        <source>Go back</source>
        <translation>Lùi lại</translation>
    </message>
    <message>
        <source>Change to detail view mode</source>
        <translation>Chuyển sang dạng chi tiết</translation>
    </message>
    <message>
        <source>Create New Folder</source>
        <translation>Tạo thư mục mới</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Lối tắt</translation>
    </message>
    <message>
        <source>Detail View</source>
        <translation>Dạng chi tiết</translation>
    </message>
    <message>
        <source>%1
File not found.
Please verify the correct file name was given.</source>
        <translation>%1
Không tìm thấy file.
Anh xem lại tên file giúp.</translation>
    </message>
    <message>
        <source>Change to list view mode</source>
        <translation>Chuyển sang dạng danh sách</translation>
    </message>
</context>
<context>
    <name>QFileSystemModel</name>
    <message>
        <source>Kind</source>
        <translation>Loại</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Tên</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Kích thước</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Loại</translation>
    </message>
    <message>
        <source>Date Modified</source>
        <translation>Ngày sửa</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 byte</translation>
    </message>
    <message>
        <source>%1 byte(s)</source>
        <translation>%1 byte</translation>
    </message>
    <message>
        <source>My Computer</source>
        <translation>Máy tính</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>Máy tính</translation>
    </message>
    <message>
        <source>Invalid filename</source>
        <translation>Tên file không hợp lệ</translation>
    </message>
    <message>
        <source>&lt;b&gt;The name "%1" can not be used.&lt;/b&gt;&lt;p&gt;Try using another name, with fewer characters or no punctuations marks.</source>
        <translation>&lt;b&gt;Không dùng được tên "%1".&lt;/b&gt;&lt;p&gt;Anh thử tên khác, ngắn hơn hoặc không có dấu câu.</translation>
    </message>
</context>
</TS>
