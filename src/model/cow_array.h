#pragma once
// A vector whose copies share storage: the elements live in fixed-size blocks held by shared
// pointers, so copying costs one pointer per block and changing an element copies only its
// block. The marker, every keyframe and every undo step are copies of the model; with this
// store a keyframe that moves ten vertices, or a hundred small edits, hold only the blocks
// they changed. Reading through a const array never copies; writing through a non-const one
// (operator[], iterators, back()) first makes the element's block this array's own.
#include <algorithm>
#include <bit>
#include <compare>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <vector>

namespace kestrel::model {

template <class T>
class CowArray {
    // About 16 KB a block, a power of two elements so that the index splits with a shift.
    static constexpr std::size_t kBlock = std::max<std::size_t>(16, std::bit_floor(16384 / sizeof(T)));
    static constexpr unsigned kShift = std::countr_zero(kBlock);
    using Block = std::vector<T>;

    template <bool Const>
    class Iter {
        using Owner = std::conditional_t<Const, const CowArray, CowArray>;

    public:
        using iterator_category = std::random_access_iterator_tag;
        using iterator_concept = std::random_access_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using reference = std::conditional_t<Const, const T&, T&>;
        using pointer = std::conditional_t<Const, const T*, T*>;

        Iter() = default;
        Iter(Owner* owner, difference_type at) : owner_(owner), at_(at) {}
        operator Iter<true>() const requires(!Const) { return {owner_, at_}; }

        reference operator*() const { return (*owner_)[static_cast<std::size_t>(at_)]; }
        pointer operator->() const { return &**this; }
        reference operator[](difference_type n) const { return *(*this + n); }
        Iter& operator++() {
            ++at_;
            return *this;
        }
        Iter operator++(int) {
            Iter old = *this;
            ++at_;
            return old;
        }
        Iter& operator--() {
            --at_;
            return *this;
        }
        Iter operator--(int) {
            Iter old = *this;
            --at_;
            return old;
        }
        Iter& operator+=(difference_type n) {
            at_ += n;
            return *this;
        }
        Iter& operator-=(difference_type n) {
            at_ -= n;
            return *this;
        }
        friend Iter operator+(Iter it, difference_type n) { return it += n; }
        friend Iter operator+(difference_type n, Iter it) { return it += n; }
        friend Iter operator-(Iter it, difference_type n) { return it -= n; }
        friend difference_type operator-(const Iter& a, const Iter& b) { return a.at_ - b.at_; }
        friend bool operator==(const Iter& a, const Iter& b) { return a.at_ == b.at_; }
        friend auto operator<=>(const Iter& a, const Iter& b) { return a.at_ <=> b.at_; }
        difference_type index() const { return at_; }

    private:
        Owner* owner_ = nullptr;
        difference_type at_ = 0;
    };

public:
    using value_type = T;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = T&;
    using const_reference = const T&;
    using iterator = Iter<false>;
    using const_iterator = Iter<true>;

    CowArray() = default;
    CowArray(std::initializer_list<T> items) { assign(items.begin(), items.end()); }
    explicit CowArray(size_type n, const T& value = T{}) { resize(n, value); }
    template <std::input_iterator It>
    CowArray(It first, It last) {
        assign(first, last);
    }
    CowArray(const std::vector<T>& items) { assign(items.begin(), items.end()); }  // NOLINT: a vector converts

    size_type size() const { return count_; }
    bool empty() const { return count_ == 0; }
    void reserve(size_type) {}  // blocks are made as elements arrive
    size_type capacity() const { return blocks_.size() * kBlock; }

    const T& operator[](size_type i) const { return (*blocks_[i >> kShift])[i & (kBlock - 1)]; }
    T& operator[](size_type i) { return own(i >> kShift)[i & (kBlock - 1)]; }
    const T& at(size_type i) const {
        check(i);
        return (*this)[i];
    }
    T& at(size_type i) {
        check(i);
        return (*this)[i];
    }
    const T& front() const { return (*this)[0]; }
    T& front() { return (*this)[0]; }
    const T& back() const { return (*this)[count_ - 1]; }
    T& back() { return (*this)[count_ - 1]; }

    iterator begin() { return {this, 0}; }
    iterator end() { return {this, static_cast<difference_type>(count_)}; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, static_cast<difference_type>(count_)}; }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

    void clear() {
        blocks_.clear();
        count_ = 0;
    }
    void push_back(const T& value) { emplace_back(value); }
    void push_back(T&& value) { emplace_back(std::move(value)); }
    template <class... Args>
    T& emplace_back(Args&&... args) {
        if ((count_ & (kBlock - 1)) == 0) {
            auto block = std::make_shared<Block>();
            block->reserve(kBlock);
            blocks_.push_back(std::move(block));
        }
        Block& last = own(blocks_.size() - 1);
        ++count_;
        return last.emplace_back(std::forward<Args>(args)...);
    }
    void pop_back() { resize(count_ - 1); }

    void resize(size_type n) { resize(n, T{}); }
    void resize(size_type n, const T& value) {
        if (n < count_) {
            blocks_.resize((n + kBlock - 1) >> kShift);
            if (n & (kBlock - 1)) own(blocks_.size() - 1).resize(n & (kBlock - 1));
            count_ = n;
            return;
        }
        while (count_ < n) {
            if ((count_ & (kBlock - 1)) == 0) {
                auto block = std::make_shared<Block>();
                block->reserve(kBlock);
                blocks_.push_back(std::move(block));
            }
            Block& last = own(blocks_.size() - 1);
            const size_type room = std::min(kBlock - last.size(), n - count_);
            last.insert(last.end(), room, value);
            count_ += room;
        }
    }
    void assign(size_type n, const T& value) {
        clear();
        resize(n, value);
    }
    template <std::input_iterator It>
    void assign(It first, It last) {
        clear();
        for (; first != last; ++first) emplace_back(*first);
    }

    // Inserting or erasing anywhere but the end rebuilds the blocks from that point on.
    template <std::input_iterator It>
    iterator insert(const_iterator where, It first, It last) {
        const auto at = static_cast<size_type>(where.index());
        if (at == count_) {
            for (; first != last; ++first) emplace_back(*first);
            return {this, static_cast<difference_type>(at)};
        }
        std::vector<T> tail(cbegin() + static_cast<difference_type>(at), cend());
        resize(at);
        for (; first != last; ++first) emplace_back(*first);
        for (auto& item : tail) emplace_back(std::move(item));
        return {this, static_cast<difference_type>(at)};
    }
    iterator insert(const_iterator where, const T& value) {
        const T copy = value;  // the value may be one of this array's elements
        return insert(where, &copy, &copy + 1);
    }
    iterator insert(const_iterator where, size_type n, const T& value) {
        std::vector<T> items(n, value);
        return insert(where, items.begin(), items.end());
    }
    iterator erase(const_iterator first, const_iterator last) {
        const auto from = static_cast<size_type>(first.index());
        const auto gap = static_cast<size_type>(last.index()) - from;
        if (gap == 0) return {this, first.index()};
        for (size_type i = from; i + gap < count_; ++i) (*this)[i] = std::move((*this)[i + gap]);
        resize(count_ - gap);
        return {this, first.index()};
    }
    iterator erase(const_iterator where) { return erase(where, where + 1); }

    // The elements as one contiguous vector (a copy).
    std::vector<T> toVector() const { return {begin(), end()}; }

    // Read access for hot loops: one table lookup an element, no reference counts. Valid
    // until the array changes.
    class View {
    public:
        explicit View(const CowArray& array) : count_(array.count_) {
            starts_.reserve(array.blocks_.size());
            for (const auto& block : array.blocks_) starts_.push_back(block->data());
        }
        const T& operator[](size_type i) const { return starts_[i >> kShift][i & (kBlock - 1)]; }
        size_type size() const { return count_; }

    private:
        std::vector<const T*> starts_;
        size_type count_;
    };
    View view() const { return View(*this); }

    // Whether both arrays hold the very same storage: a copy that nothing has changed since.
    bool sharesStorageWith(const CowArray& other) const { return count_ == other.count_ && blocks_ == other.blocks_; }

    // Blocks held by both arrays are equal without looking inside.
    friend bool operator==(const CowArray& a, const CowArray& b) {
        if (a.count_ != b.count_) return false;
        for (size_type k = 0; k < a.blocks_.size(); ++k)
            if (a.blocks_[k] != b.blocks_[k] && *a.blocks_[k] != *b.blocks_[k]) return false;
        return true;
    }

    // What the array holds on its own, for memory accounting: the block table and every
    // block whose storage is not the same as one in `seen` (which collects them).
    template <class Seen>
    size_type ownBytes(Seen& seen) const {
        size_type bytes = blocks_.capacity() * sizeof(std::shared_ptr<Block>);
        for (const auto& block : blocks_)
            if (seen.insert(block.get()).second) bytes += sizeof(Block) + block->capacity() * sizeof(T);
        return bytes;
    }

private:
    Block& own(size_type block) {
        auto& held = blocks_[block];
        if (held.use_count() > 1) {
            auto copy = std::make_shared<Block>();
            copy->reserve(kBlock);
            copy->insert(copy->end(), held->begin(), held->end());
            held = std::move(copy);
        }
        return *held;
    }
    void check(size_type i) const {
        if (i >= count_) throw std::out_of_range("CowArray index out of range");
    }

    std::vector<std::shared_ptr<Block>> blocks_;
    size_type count_ = 0;
};

}  // namespace kestrel::model
